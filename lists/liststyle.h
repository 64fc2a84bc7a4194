#pragma once

#include <QPalette>
#include <QWidget>

// Re-applying a style sheet restyles the widget even when the text is the same.
inline void setStyleSheetOnce(QWidget *w, const QString &style)
{
    if (w && w->styleSheet() != style)
        w->setStyleSheet(style);
}

// The text colour of a table's cell label, set through its palette: a style sheet on each of
// a page's hundreds of labels makes every one of them go through style-sheet polishing, which
// cost the rating list about a third of its page fill. An invalid colour leaves the label's
// own colour. A label on a table's viewport inherits the viewport's Base background, so it
// paints with Text, not WindowText: both are set.
inline void setTextColor(QWidget *w, const QColor &color)
{
    if (!w || !color.isValid())
        return;
    QPalette palette = w->palette();
    if (palette.color(QPalette::WindowText) == color && palette.color(QPalette::Text) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    w->setPalette(palette);
}
