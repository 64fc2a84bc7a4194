#pragma once

// What the window manager of a test's X display says about its windows, read with the X tools
// as another client would: the stacking order of the managed windows; whether the screen shows
// a window whole, and whether the window itself holds what the program painted.

#include "xwindows.h"

#include <QImage>
#include <QList>
#include <QScreen>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

// The managed windows from bottom to top, as the window manager stacks them.
inline QList<WId> stackingOrder()
{
    QList<WId> ids;
    QString out;
    runXTool(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"}, &out);
    for (const QString &id : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << id.trimmed().toULong(nullptr, 16);
    return ids;
}

// The share of the widget's pixels that the screen shows as the widget paints itself.
inline double shareShownOnScreen(QWidget *widget)
{
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    const QImage screen = widget->screen()->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
                              .toImage().convertToFormat(QImage::Format_RGB32);
    const QImage painted = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (painted.isNull() || screen.size() != painted.size())
        return 0;
    qint64 same = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x)
            same += screen.pixel(x, y) == painted.pixel(x, y);
    }
    return double(same) / (qint64(painted.width()) * painted.height());
}

// Whether the screen shows the widget as it paints itself: nothing covers it.
inline bool shownOnScreen(QWidget *widget)
{
    return shareShownOnScreen(widget) == 1.0;
}

// Whether the window itself holds the widget as it paints itself, as the X server keeps its
// pixels (read with ImageMagick's import): what a compositing manager has to show of it.
inline bool paintedInItsWindow(QWidget *widget)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("window.png"));
    return runXTool(QStringLiteral("import"), {QStringLiteral("-window"), QString::number(widget->winId()), path})
           && QImage(path).convertToFormat(QImage::Format_RGB32)
                  == widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
