#include "WrappingCheckBox.h"

#include <QFontInfo>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

#include <algorithm>

namespace kestrel {

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QRect WrappingCheckBox::captionArea() const
{
    // Right of the indicator, three pixels on, as the layout's own check boxes draw their text.
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int left = indicator.right() + 1 + 3;
    return {left, 0, width() - left, height()};
}

int WrappingCheckBox::lineHeight() const
{
    return QFontInfo(font()).pixelSize();
}

QStringList WrappingCheckBox::shownLines() const
{
    QTextLayout layout(text(), font());
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(captionArea().width());
        lines << text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);

    // Lines one em apart, the block of ink centred in the box: two lines of a 12-pixel font fill the
    // 24-pixel box.
    const QStringList lines = shownLines();
    const QRect area = captionArea();
    // The ink of the ideographs sets the block; a Latin descender may reach into the gap below.
    QString ideographs = lines.join(QString());
    ideographs.removeIf([](QChar c) { return c.unicode() < 0x2E80; });
    const QRect ink = QFontMetrics(font()).tightBoundingRect(ideographs.isEmpty() ? lines.join(QString()) : ideographs);
    const double pitch = lineHeight();
    const auto gaps = static_cast<double>(std::max<qsizetype>(lines.size() - 1, 0));
    double baseline = area.top() + (area.height() - (pitch * gaps + ink.height())) / 2.0 - ink.top();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (const QString& line : lines) {
        painter.drawText(QPointF(area.left(), baseline), line);
        baseline += pitch;
    }
}

} // namespace kestrel
