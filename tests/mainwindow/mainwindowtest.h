#pragma once

// Helpers shared by the main window's tests.

#include "databaseschema.h"
#include "defaultconfig.h"
#include "usersettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Answers every modal message box that comes up while it lives with one button, and keeps
// "title|text" of each.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : answer(answer)
    {
        QObject::connect(&timer, &QTimer::timeout, this, [this]() { answerOpenBox(); });
        timer.start(20);
    }

    void setAnswer(QMessageBox::StandardButton button) { answer = button; }

    QStringList boxes;

private:
    void answerOpenBox()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || handled.contains(box))
            return;
        handled << box;
        boxes << box->windowTitle() + QLatin1Char('|') + box->text();
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton answer;
    QTimer timer;
    QList<QPointer<QMessageBox>> handled;
};

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
