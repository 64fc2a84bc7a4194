#pragma once

// Helpers shared by the main window's tests.

#include "databaseschema.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "modalwatcher.h"
#include "usersettings.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The embedded configuration and a fresh data.s3 in dir (also the data folder), opened as
// "MainDB". Unless a stand-in has set TAMREL_HOSTS, every host points at a closed port, so the
// window's update engine finds nothing to import whatever else runs on this machine.
inline bool prepareMainDatabase(const QTemporaryDir &dir)
{
    if (qEnvironmentVariableIsEmpty("TAMREL_HOSTS")) {
        const QString closed = QStringLiteral("http://127.0.0.1:1");
        QSettings hosts(dir.filePath(QStringLiteral("hosts.ini")), QSettings::IniFormat);
        hosts.setIniCodec("UTF-8");
        hosts.setValue(QStringLiteral("ServiceHost/Host0"),
                       QStringLiteral("{\"name\": \"杭州服务器\", \"host\": \"%1\"}").arg(closed));
        hosts.setValue(QStringLiteral("ServiceHost/Host1"),
                       QStringLiteral("{\"name\": \"北京服务器\", \"host\": \"%1\"}").arg(closed));
        hosts.setValue(QStringLiteral("ObjectHost/Host"), closed + QStringLiteral("/oss"));
        hosts.sync();
        qputenv("TAMREL_HOSTS", QFile::encodeName(hosts.fileName()));
    }
    loadDefaultConfig();
    loadOptionConfig();
    setDataDir(dir.path());
    return initMainDatabase(dir.path());
}

// The first top-level widget of that class: the window's kept dialogs are parentless.
inline QWidget *topLevelOf(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits(className))
            return widget;
    }
    return nullptr;
}

inline bool showExposed(QWidget &widget)
{
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

// The entry of a widget's own actions (the window's menu and shortcuts) with that text.
inline QAction *actionOf(QWidget &widget, const QString &text)
{
    for (QAction *action : widget.actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}
