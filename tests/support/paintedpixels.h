#pragma once

// What painted pixels show: the background of a text, whether the text is underlined (a
// link's hover look), whether a table cell paints a given text.

#include <QColor>
#include <QHash>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <QtMath>

// The most frequent colour of the image's top rows (all of them by default): the background of
// a text painted on it.
inline QRgb mostFrequentColour(const QImage &image, int rows = -1)
{
    const int height = rows < 0 ? image.height() : qMin(rows, image.height());
    QHash<QRgb, int> counts;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb most = 0;
    int count = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > count) {
            count = it.value();
            most = it.key();
        }
    }
    return most;
}

// Whether a pixel lies far from the background: ink of a text, not its anti-aliased fringe.
inline bool isInk(QRgb pixel, QRgb background)
{
    const int r = qRed(pixel) - qRed(background), g = qGreen(pixel) - qGreen(background),
              b = qBlue(pixel) - qBlue(background);
    return r * r + g * g + b * b > 60 * 60;
}

// The smallest rectangle holding the image's ink; empty when there is none.
inline QRect inkBounds(const QImage &image, QRgb background)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(image.pixel(x, y), background))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// True when one pixel row of the image holds an unbroken line of the text's colour as wide as
// nearly all of the text: an underline runs under the whole text, while a glyph's own
// strokes end at the glyph. The background is the image's most frequent colour; the text is
// what lies far from it.
inline bool paintedUnderline(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb background = mostFrequentColour(image);
    const auto ink = [&](int x, int y) { return isInk(image.pixel(x, y), background); };
    const QRect bounds = inkBounds(image, background);
    const int left = bounds.left(), right = bounds.right(), width = bounds.width();
    if (width < 8)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0, longest = 0;
        for (int x = left; x <= right; ++x) {
            run = ink(x, y) ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        if (longest * 10 >= width * 9)
            return true;
    }
    return false;
}

// The pixels the table paints for a cell: its rectangle of the viewport, as the user sees it.
inline QImage paintedTableCell(QTableWidget *table, int row, int column)
{
    const QRect rect = table->visualItemRect(table->item(row, column)) & table->viewport()->rect();
    return table->viewport()->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
}


// The text as a view paints an item's text, drawn here on its own: in the view's font as the
// item's font changes it, in the item's foreground (the palette's text colour when it has none,
// the highlighted text colour when selected), on background. x shifts it by a part of a pixel,
// as a centred text may stand.
inline QImage drawnCellText(const QTableWidget *table, const QTableWidgetItem *item, const QString &text,
                            QRgb background, qreal x)
{
    QFont font = table->font();
    const QVariant itemFont = item->data(Qt::FontRole);
    if (itemFont.isValid())
        font = itemFont.value<QFont>().resolve(font);
    const QPalette::ColorGroup group = !table->isEnabled()         ? QPalette::Disabled
                                       : table->isActiveWindow() ? QPalette::Active
                                                                 : QPalette::Inactive;
    QColor colour = table->palette().color(group, QPalette::Text);
    const QVariant foreground = item->data(Qt::ForegroundRole);
    if (item->isSelected())
        colour = table->palette().color(group, QPalette::HighlightedText);
    else if (foreground.canConvert<QBrush>() && foreground.value<QBrush>().style() != Qt::NoBrush)
        colour = foreground.value<QBrush>().color();
    // Room for the whole text: the view's elided or cut text must not match one cut here.
    const QFontMetricsF metrics(font, table->viewport());
    // In device pixels, as the grab of the view is.
    const qreal ratio = table->viewport()->devicePixelRatioF();
    QImage image(qCeil((metrics.horizontalAdvance(text) + metrics.height()) * ratio),
                 qCeil(metrics.height() * 2 * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    // A font's points are as many pixels here as on the view's screen.
    image.setDotsPerMeterX(qRound(table->logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(table->logicalDpiY() / 0.0254));
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRectF(x, 0, image.width() / ratio, image.height() / ratio), Qt::AlignCenter, text);
    painter.end();
    return image;
}

// Whether the cell paints text as it reads: the ink of the painted cell (what lies far from its
// most frequent colour) is the ink of the text drawn on its own in the cell's font and text
// colour, pixel for pixel. Both are cut to their ink, so the style's margins and alignment do
// not matter while the glyphs' shapes do. An empty text is a cell that paints nothing. why, if
// given, says what differs.
inline bool paintsCellText(QTableWidget *table, int row, int column, const QString &text, QString *why = nullptr)
{
    QTableWidgetItem *item = table->item(row, column);
    table->scrollToItem(item);
    const QImage painted = paintedTableCell(table, row, column);
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (painted.isNull())
        return fail(QStringLiteral("the cell is not in the viewport"));
    const QRgb background = mostFrequentColour(painted);
    const QRect paintedInk = inkBounds(painted, background);
    // (A null rectangle would copy the whole image.)
    const QImage ink = paintedInk.isEmpty() ? QImage() : painted.copy(paintedInk);
    if (text.isEmpty())
        return ink.isNull()
               || fail(QStringLiteral("the cell paints ink of %1x%2, not nothing").arg(ink.width()).arg(ink.height()));
    if (ink.isNull())
        return fail(QStringLiteral("the cell paints nothing on %1").arg(QColor(background).name()));
    // The view may place the text at any 64th of a pixel (glyph advances are in 64ths); the
    // glyphs are drawn the same at one of them.
    QSize drawnSize;
    int fewest = -1;
    for (int sixtyFourths = 0; sixtyFourths < 64; ++sixtyFourths) {
        const QImage drawn = drawnCellText(table, item, text, background, sixtyFourths / 64.0);
        const QRect drawnBounds = inkBounds(drawn, background);
        // A text in the background's own colour is not shown, even where the cell shows nothing.
        if (drawnBounds.isEmpty())
            return fail(QStringLiteral("\"%1\" drawn in the cell's text colour shows nothing on %2")
                            .arg(text, QColor(background).name()));
        const QImage drawnInk = drawn.copy(drawnBounds);
        if (drawnInk == ink)
            return true;
        drawnSize = drawnInk.size();
        if (drawnInk.size() != ink.size())
            continue;
        int differ = 0;
        for (int y = 0; y < ink.height(); ++y) {
            for (int x = 0; x < ink.width(); ++x)
                differ += drawnInk.pixel(x, y) != ink.pixel(x, y);
        }
        fewest = fewest < 0 ? differ : qMin(fewest, differ);
    }
    return fail(QStringLiteral("the cell paints ink of %1x%2 on %3, \"%4\" drawn on it %5x%6%7")
                    .arg(ink.width())
                    .arg(ink.height())
                    .arg(QColor(background).name(), text)
                    .arg(drawnSize.width())
                    .arg(drawnSize.height())
                    .arg(fewest < 0 ? QString() : QStringLiteral(", %1 pixels differ at best").arg(fewest)));
}
