#pragma once

#include <QCheckBox>
#include <QStringList>

namespace kestrel {

// A check box whose caption breaks between words (or beside a Han character) onto as many lines as
// its height holds, one em apart, as the window's layout drew "先清空wp数据库" in its 72 × 24 box:
// the caption is read whole where one line would cut it.
class WrappingCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

    // The caption's lines as they are drawn, and the room they are drawn in.
    QStringList shownLines() const;
    QRect captionArea() const;
    // The distance from one line's baseline to the next: the font's em.
    int lineHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kestrel
