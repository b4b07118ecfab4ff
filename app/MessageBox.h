#pragma once

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace kestrel {

// Every message box of the program goes through here, so tests can answer
// them in advance and read what was shown.
class MessageBox
{
public:
    enum class Icon { None, Information, Question, Warning };
    enum class Answer { Ok, Yes, No, Action, SecondAction };

    struct Shown
    {
        Icon icon = Icon::None;
        QString caption;
        QString text;
        QString detail;
        QString action;       // the caption of a button beside OK, when there is one
        QString secondAction; // and of a second one beside it
    };

    // Yes and No, question icon.
    static Answer question(QWidget* parent, const QString& caption, const QString& text);
    // OK only; `detail` goes into the box's expandable detailed text.
    static void show(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                     const QString& detail = {});

    // OK and a button of its own (`action`): Action when that was pressed, else Ok. With `secondAction`
    // too, a second button: SecondAction. An empty caption adds no button.
    static Answer showWithAction(QWidget* parent, Icon icon, const QString& caption, const QString& text,
                                 const QString& detail, const QString& action, const QString& secondAction = {});

    // For tests: boxes are recorded and answered without being shown, with the
    // next queued answer, or else with their default (No, or OK).
    static void setRecordOnly(bool recordOnly);
    static void setNextAnswer(Answer answer);
    static const QList<Shown>& shown();
    static void clearShown();

private:
    static Answer exec(QWidget* parent, const Shown& box, bool yesNo);
};

} // namespace kestrel
