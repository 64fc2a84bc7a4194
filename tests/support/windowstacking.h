#pragma once

// What the window manager of a test's X display says about its windows, read with the X tools
// as another client would: the stacking order of the managed windows.

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QWidget>

// Runs a program on the display; its standard output, trimmed. Empty when it failed.
inline QString runOnDisplay(const QString &program, const QStringList &args)
{
    QProcess tool;
    tool.start(program, args);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The managed windows from bottom to top, as the window manager stacks them.
inline QList<WId> stackingOrder()
{
    QList<WId> ids;
    const QString out = runOnDisplay(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    for (const QString &id : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << id.trimmed().toULong(nullptr, 16);
    return ids;
}
