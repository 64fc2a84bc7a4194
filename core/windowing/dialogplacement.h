#pragma once

// Where a dialog goes on the screen. Unlike centredPosition of startup.h, these positions
// count from the available area's own origin: a panel at the top or left of a Linux desktop
// moves that origin, and a dialog placed from (0, 0) would slide under the panel.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

// The top-left point for a frame of the given size in the available area: Qt::AlignLeft,
// Qt::AlignRight or Qt::AlignHCenter across, Qt::AlignTop, Qt::AlignBottom or Qt::AlignVCenter
// down (centred where an axis has no flag). Halves are truncated toward zero.
QPoint placedPosition(const QRect &available, const QSize &frame, Qt::Alignment where);

// The available area of the screen that holds the widget (the primary screen's when the
// widget has none yet).
QRect availableAreaOf(const QWidget *widget);

// Moves the dialog, by its frame, to that place in the available area of the screen that
// holds reference (the dialog's own screen when reference is null).
void placeDialog(QWidget *dialog, Qt::Alignment where, const QWidget *reference = nullptr);

// Places and shows the dialog, then places it again, and once more by its frame when the window
// manager tells it: a window's frame is known only once it is on screen, and a first showing
// placed without it would stick out by its title bar.
void showPlaced(QWidget *dialog, Qt::Alignment where, const QWidget *reference = nullptr);
