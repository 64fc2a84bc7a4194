#pragma once

// Helpers shared by the main window's tests.

#include "databaseschema.h"
#include "defaultconfig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
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

// The embedded configuration and a fresh data.s3 in dir, opened as "MainDB".
inline bool prepareMainDatabase(const QTemporaryDir &dir)
{
    loadDefaultConfig();
    return initMainDatabase(dir.path());
}
