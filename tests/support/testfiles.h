#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

// Small file helpers for tests.

// Writes a whole file, making its folder first.
inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One value of an INI file as the program stores it (UTF-8); "<missing>" when absent.
inline QString iniValue(const QString &path, const QString &key)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key, QStringLiteral("<missing>")).toString();
}
