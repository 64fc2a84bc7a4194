#include "testhooks.h"

#include "qsingleapplication.h"

#include <QAbstractButton>
#include <QDialog>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <unistd.h>

namespace {

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

bool savePicture(QWidget *widget, const QString &path)
{
    const bool saved = widget->grab().save(path, "PNG");
    printLine((saved ? QStringLiteral("SCREENSHOT ") : QStringLiteral("SCREENSHOT FAILED "))
              + path);
    return saved;
}

} // namespace

void installStartHooks(QSingleApplication &app)
{
    if (qEnvironmentVariableIntValue("TAMREL_ECHO_MESSAGES") <= 0)
        return;
    QObject::connect(&app, &QSingleApplication::messageAvailable, &app,
                     [](const QString &message) { printLine(QStringLiteral("MESSAGE ") + message); });
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [&app, input]() {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input->setEnabled(false);
            app.quit();
        }
    });
    QTimer::singleShot(0, &app, []() { printLine(QStringLiteral("READY")); });
}

void installLoginHooks(QDialog *login)
{
    const QString screenshot = qEnvironmentVariable("TAMREL_LOGIN_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(500, login, [login, screenshot]() {
            savePicture(login, screenshot);
            login->reject();
        });
    }
    if (qEnvironmentVariableIntValue("TAMREL_AUTOLOGIN") > 0) {
        QTimer::singleShot(0, login, [login]() {
            if (auto *button = login->findChild<QAbstractButton *>(QStringLiteral("btnUserLogin")))
                button->click();
        });
    }
}

void installWindowHooks(QSingleApplication &app, QWidget &window)
{
    const QString screenshot = qEnvironmentVariable("TAMREL_SCREENSHOT");
    if (screenshot.isEmpty())
        return;
    QTimer::singleShot(500, &window, [&app, &window, screenshot]() {
        app.exit(savePicture(&window, screenshot) ? 0 : 1);
    });
}
