#pragma once

// What the window manager of a test's X display says about its windows, read with the X tools
// as another client would: the stacking order of the managed windows.

#include "xwindows.h"

#include <QList>
#include <QString>
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
