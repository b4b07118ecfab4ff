#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace kestrel {

namespace {

bool recordOnly = false;
QList<MessageBox::Answer> answers;
QList<MessageBox::Shown> shownBoxes;

QMessageBox::Icon toQt(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Answer MessageBox::question(QWidget* parent, const QString& caption, const QString& text)
{
    return exec(parent, {Icon::Question, caption, text, {}, {}}, true);
}

void MessageBox::show(QWidget* parent, Icon icon, const QString& caption, const QString& text, const QString& detail)
{
    exec(parent, {icon, caption, text, detail, {}}, false);
}

bool MessageBox::offer(QWidget* parent, const QString& caption, const QString& text, const QString& detail,
                       const QString& action)
{
    const Shown box{Icon::Information, caption, text, detail, action};
    if (const std::optional<Answer> answer = answerWithoutShowing(box, false))
        return *answer == Answer::Yes;
    QMessageBox dialog(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    QPushButton* button = dialog.addButton(action, QMessageBox::AcceptRole);
    dialog.setDefaultButton(QMessageBox::Ok);
    if (!detail.isEmpty())
        dialog.setDetailedText(detail);
    dialog.exec();
    return dialog.clickedButton() == button;
}

std::optional<MessageBox::Answer> MessageBox::answerWithoutShowing(const Shown& box, bool yesNo)
{
    shownBoxes.append(box);
    if (!answers.isEmpty())
        return answers.takeFirst();
    if (recordOnly)
        return yesNo ? Answer::No : Answer::Ok;
    return std::nullopt;
}

MessageBox::Answer MessageBox::exec(QWidget* parent, const Shown& box, bool yesNo)
{
    if (const std::optional<Answer> answer = answerWithoutShowing(box, yesNo))
        return *answer;

    QMessageBox dialog(toQt(box.icon), box.caption, box.text,
                       yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!box.detail.isEmpty())
        dialog.setDetailedText(box.detail);
    const int result = dialog.exec();
    if (!yesNo)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MessageBox::setRecordOnly(bool value)
{
    recordOnly = value;
}

void MessageBox::setNextAnswer(Answer answer)
{
    answers.append(answer);
}

const QList<MessageBox::Shown>& MessageBox::shown()
{
    return shownBoxes;
}

void MessageBox::clearShown()
{
    shownBoxes.clear();
    answers.clear();
}

} // namespace kestrel
