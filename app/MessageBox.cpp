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
    return exec(parent, {Icon::Question, caption, text, {}, {}, {}}, true);
}

void MessageBox::show(QWidget* parent, Icon icon, const QString& caption, const QString& text, const QString& detail)
{
    exec(parent, {icon, caption, text, detail, {}, {}}, false);
}

MessageBox::Answer MessageBox::showWithAction(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                                              const QString& detail, const QString& action, const QString& secondAction)
{
    return exec(parent, {icon, caption, text, detail, action, secondAction}, false);
}

MessageBox::Answer MessageBox::exec(QWidget* parent, const Shown& box, bool yesNo)
{
    shownBoxes.append(box);
    if (!answers.isEmpty())
        return answers.takeFirst();
    if (recordOnly)
        return yesNo ? Answer::No : Answer::Ok;

    QMessageBox dialog(toQt(box.icon), box.caption, box.text,
                       yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!box.detail.isEmpty())
        dialog.setDetailedText(box.detail);
    // Esc closes a message as OK does, whatever buttons of its own it has beside.
    if (!yesNo)
        dialog.setEscapeButton(QMessageBox::Ok);
    QPushButton* action = box.action.isEmpty() ? nullptr : dialog.addButton(box.action, QMessageBox::ActionRole);
    if (action)
        action->setObjectName(QStringLiteral("btnMessageAction"));
    QPushButton* second =
        box.secondAction.isEmpty() ? nullptr : dialog.addButton(box.secondAction, QMessageBox::ActionRole);
    const int result = dialog.exec();
    if (action && dialog.clickedButton() == action)
        return Answer::Action;
    if (second && dialog.clickedButton() == second)
        return Answer::SecondAction;
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
