#pragma once

// What a list's cells show on screen, read from the pixels the view paints: the text colour
// of a cell and whether a row is fully inside the viewport.

#include "paintedpixels.h"

#include <QAbstractItemView>
#include <QHash>
#include <QImage>
#include <QStringList>

// The cell's rectangle of the viewport as the user sees it, labels included.
inline QImage paintedCell(QAbstractItemView *view, int row, int column)
{
    const QRect rect = view->visualRect(view->model()->index(row, column)) & view->viewport()->rect();
    return view->viewport()->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
}

// The named colour nearest to the cell's text: the background is the cell's most frequent
// colour and the text the pixel furthest from it (anti-aliased edges lie between the two).
// upperPart: only the top part of the cell (a name above a gray code). "none": no text.
inline QString paintedTextColour(const QImage &image, qreal upperPart = 1.0)
{
    const int height = qMax(1, int(image.height() * upperPart));
    QHash<QRgb, int> counts;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    }
    const QRgb background = mostFrequentColour(image, height);
    const auto distance = [](QRgb a, QRgb b) {
        const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
        return r * r + g * g + bl * bl;
    };
    QRgb text = background;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (distance(it.key(), background) > distance(text, background))
            text = it.key();
    }
    if (distance(text, background) < 60 * 60)
        return QStringLiteral("none");
    QString nearest;
    int best = INT_MAX;
    for (const char *name : {"black", "gray", "blue", "red", "green", "darkgreen", "orange"}) {
        const int d = distance(text, QColor(QLatin1String(name)).rgb());
        if (d < best) {
            best = d;
            nearest = QLatin1String(name);
        }
    }
    return nearest;
}

inline QString paintedTextColour(QAbstractItemView *view, int row, int column, qreal upperPart = 1.0)
{
    return paintedTextColour(paintedCell(view, row, column), upperPart);
}

// True when the row's whole height lies inside the viewport (no scroll bar or edge cuts it).
inline bool rowFullyVisible(QAbstractItemView *view, int row)
{
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    return rect.isValid() && rect.top() >= 0 && rect.bottom() < view->viewport()->height();
}

#include "startup.h"

#include <QLabel>
#include <QTextDocument>

// The text a label shows: its markup rendered when it takes it as rich text, else as it stands.
inline QString shownText(const QLabel *label)
{
    const bool rich = label->textFormat() == Qt::RichText
                      || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

#include <QApplication>
#include <QFileInfo>
#include <QTest>

// The program's font (11 pt) and style sheet, as it starts up.
inline bool useProgramLook()
{
    installAppFont(QString());
    return installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath());
}

#include <QFontMetricsF>
#include <QStyle>

// The room a column leaves for a cell's text: its width less the item's text margins and the
// grid line.
inline int textRoom(const QTableView *table, int column)
{
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    return table->columnWidth(column) - 2 * margin - 1;
}

// Each pattern with its "d"s as one digit, for every digit: the widest such texts.
inline QStringList digitTexts(const QStringList &patterns)
{
    QStringList texts;
    for (const QString &pattern : patterns) {
        for (char d = '0'; d <= '9'; ++d)
            texts << QString(pattern).replace(QLatin1Char('d'), QLatin1Char(d));
    }
    return texts;
}

// The texts of texts that font cuts in the column, as "text (advance > room)".
inline QStringList cutTexts(const QTableView *table, int column, const QStringList &texts, const QFont &font)
{
    QStringList cut;
    const QFontMetricsF metrics(font);
    for (const QString &text : texts) {
        const qreal advance = metrics.horizontalAdvance(text);
        if (advance > textRoom(table, column))
            cut << QStringLiteral("%1 (%2 > %3)").arg(text).arg(advance).arg(textRoom(table, column));
    }
    return cut;
}

#include "qlinklabel.h"

#include <QPixmap>
#include <QTableWidget>

// What a page shows, to tell a page shown after others from the same page shown first: the
// viewport's pixels, and for every cell label its row, column, text (links included), tool tip,
// font, own colour and picture, and the labels shown beyond the page's rows.
struct ShownPage
{
    QImage pixels;
    QStringList labels;
    bool operator==(const ShownPage &other) const { return pixels == other.pixels && labels == other.labels; }
};

inline ShownPage shownPage(QTableWidget *table)
{
    ShownPage page;
    page.pixels = table->viewport()->grab().toImage();
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            const auto *label = qobject_cast<QLabel *>(table->cellWidget(r, c));
            if (!label)
                continue;
            const QFont font = label->font();
            // A link shows itself under the pointer.
            QString link = QStringLiteral("-");
            if (auto *linkLabel = qobject_cast<QLinkLabel *>(table->cellWidget(r, c))) {
                QEvent enter(QEvent::Enter), leave(QEvent::Leave);
                QApplication::sendEvent(linkLabel, &enter);
                link = linkLabel->font().underline() ? QStringLiteral("link") : QStringLiteral("no link");
                QApplication::sendEvent(linkLabel, &leave);
            }
            page.labels << QStringLiteral("%1,%2 %3 [%4] bold %5 underline %6 colour %7 picture %8 %9 %10")
                               .arg(r)
                               .arg(c)
                               .arg(label->text(), label->toolTip())
                               .arg(font.bold())
                               .arg(font.underline())
                               .arg(label->testAttribute(Qt::WA_SetPalette) ? label->palette().color(QPalette::Text).name()
                                                                           : QStringLiteral("-"))
                               .arg(label->pixmap(Qt::ReturnByValue).isNull() ? QStringLiteral("none")
                                                                              : QStringLiteral("shown"))
                               .arg(label->isVisibleTo(table) ? QStringLiteral("visible") : QStringLiteral("hidden"), link);
        }
    }
    // Labels left over from a longer page would show below the rows.
    const QRect rows = table->visualRect(table->model()->index(qMax(0, table->rowCount() - 1), 0));
    for (const QLabel *label : table->viewport()->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isVisibleTo(table) && (table->rowCount() == 0 || label->geometry().top() > rows.bottom()))
            page.labels << QStringLiteral("label below the rows: ") + label->text();
    }
    return page;
}

// The labels of two pages that differ, for the failure message.
inline QString pageDifference(const ShownPage &first, const ShownPage &again)
{
    QStringList lines;
    for (int i = 0; i < qMax(first.labels.size(), again.labels.size()); ++i) {
        if (first.labels.value(i) != again.labels.value(i))
            lines << QStringLiteral("first: %1\nagain: %2").arg(first.labels.value(i), again.labels.value(i));
    }
    if (lines.isEmpty() && first.pixels != again.pixels)
        lines << QStringLiteral("the labels match, the pixels differ");
    return lines.mid(0, 5).join(QLatin1Char('\n'));
}
