#pragma once

// A stand-in for a program that the code under test starts (a PDF reader, xdg-open): a shell
// script that adds its arguments, one a line, to a log. The log is replaced whole, so a test
// that sees it sees every line of the start.

#include <QDir>
#include <QFile>
#include <QFileInfo>

inline bool writeRecordingProgram(const QString &path, const QString &log)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile script(path);
    const QByteArray quoted = '"' + QFile::encodeName(log);
    if (!script.open(QIODevice::WriteOnly)
        || !script.write("#!/bin/sh\n{ cat " + quoted + "\" 2>/dev/null; printf '%s\\n' \"$@\"; } > " + quoted
                         + ".tmp\" && mv " + quoted + ".tmp\" " + quoted + "\"\n"))
        return false;
    script.close();
    return script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
