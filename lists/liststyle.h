#pragma once

#include <QWidget>

// Re-applying a style sheet restyles the widget even when the text is the same.
inline void setStyleSheetOnce(QWidget *w, const QString &style)
{
    if (w && w->styleSheet() != style)
        w->setStyleSheet(style);
}
