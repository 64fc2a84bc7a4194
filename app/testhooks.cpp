#include "testhooks.h"

#include "qsingleapplication.h"

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

void echoMessages(QSingleApplication &app)
{
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

void takeScreenshot(QSingleApplication &app, QWidget &window, const QString &path)
{
    QTimer::singleShot(500, &window, [&app, &window, path]() {
        const bool saved = window.grab().save(path, "PNG");
        printLine((saved ? QStringLiteral("SCREENSHOT ") : QStringLiteral("SCREENSHOT FAILED "))
                  + path);
        app.exit(saved ? 0 : 1);
    });
}

} // namespace

void installTestHooks(QSingleApplication &app, QWidget &window)
{
    if (qEnvironmentVariableIntValue("TAMREL_ECHO_MESSAGES") > 0)
        echoMessages(app);
    const QString screenshot = qEnvironmentVariable("TAMREL_SCREENSHOT");
    if (!screenshot.isEmpty())
        takeScreenshot(app, window, screenshot);
}
