#pragma once

// What painted pixels show: the background of a text, whether the text is underlined (a
// link's hover look).

#include <QColor>
#include <QHash>
#include <QImage>
#include <QTableWidget>

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

// True when one pixel row of the image holds an unbroken line of the text's colour as wide as
// nearly all of the text: an underline runs under the whole text, while a glyph's own
// strokes end at the glyph. The background is the image's most frequent colour; the text is
// what lies far from it.
inline bool paintedUnderline(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb background = mostFrequentColour(image);
    const auto ink = [&](int x, int y) {
        const QRgb p = image.pixel(x, y);
        const int r = qRed(p) - qRed(background), g = qGreen(p) - qGreen(background),
                  b = qBlue(p) - qBlue(background);
        return r * r + g * g + b * b > 60 * 60;
    };
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (ink(x, y)) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    }
    const int width = right - left + 1;
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

// Whether the cell is painted as it is with text in it, not just holding text in its item:
// what it paints is compared with what it paints once its item holds text, and left as it was.
inline bool paintsCellText(QTableWidget *table, int row, int column, const QString &text)
{
    QTableWidgetItem *item = table->item(row, column);
    table->scrollToItem(item);
    const QString had = item->text();
    const QImage painted = paintedTableCell(table, row, column);
    item->setText(text);
    const QImage expected = paintedTableCell(table, row, column);
    item->setText(had);
    return !painted.isNull() && painted == expected;
}
