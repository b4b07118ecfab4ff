#include "WrappingCheckBox.h"

#include <QFontInfo>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

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

    // Lines one em apart, the block centred: an ideograph stands about 0.88 em above its baseline.
    const QStringList lines = shownLines();
    const QRect area = captionArea();
    const double em = lineHeight();
    double baseline = area.top() + (area.height() - em * static_cast<double>(lines.size())) / 2.0 + em * 0.88;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (const QString& line : lines) {
        painter.drawText(QPointF(area.left(), baseline), line);
        baseline += em;
    }
}

} // namespace kestrel
