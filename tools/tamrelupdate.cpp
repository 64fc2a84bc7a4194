// tamrel-update: runs the update engine without the GUI for a number of index cycles against the
// hosts of the configuration (TAMREL_HOSTS overrides them) and a data folder, printing the
// engine's status texts and signals, one a line.
//
//   tamrel-update --data DIR [--cycles N] [--interval S] [--data-year Y] [--messages] [--quiet]
//
// Exit code 0 when the last cycle fetched the index and every package it fetched was imported,
// 2 otherwise, 1 for a usage or database error.

#include "databaseschema.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "qupdater.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

#include <cstdio>

namespace {

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamrel-update"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the Tamrel update engine without its window."));
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Folder of data.s3 (created when missing)."),
                                        QStringLiteral("dir"));
    const QCommandLineOption cyclesOption(QStringLiteral("cycles"), QStringLiteral("Index cycles to run (1)."),
                                          QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Seconds from one cycle's start to the next (60)."),
                                            QStringLiteral("s"), QStringLiteral("60"));
    const QCommandLineOption yearOption(QStringLiteral("data-year"),
                                        QStringLiteral("First year of monthly packages (the configuration's)."),
                                        QStringLiteral("year"));
    const QCommandLineOption messagesOption(QStringLiteral("messages"), QStringLiteral("Messages of new reports on."));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("No status texts, only the signals."));
    parser.addOptions({dataOption, cyclesOption, intervalOption, yearOption, messagesOption, quietOption});
    parser.process(app);

    const QString dataDir = parser.value(dataOption);
    bool ok = false;
    const int cycles = parser.value(cyclesOption).toInt(&ok);
    if (dataDir.isEmpty() || !ok || cycles < 1) {
        std::fputs("tamrel-update: --data DIR is required and --cycles must be 1 or more\n", stderr);
        return 1;
    }

    loadDefaultConfig();
    if (parser.isSet(yearOption))
        setDataYear(parser.value(yearOption).toInt());
    setMessageShow(parser.isSet(messagesOption) ? 1 : 0);
    if (!initMainDatabase(dataDir)) {
        std::fprintf(stderr, "tamrel-update: cannot open %s/data.s3\n", qPrintable(dataDir));
        return 1;
    }

    auto *updater = new QUpdater();
    updater->setCycleInterval(parser.value(intervalOption).toInt());
    const bool quiet = parser.isSet(quietOption);
    int done = 0;
    bool lastClean = false;

    QObject::connect(updater, &QUpdater::showStatus, &app, [quiet](const QString &text) {
        if (!quiet)
            print(QStringLiteral("status ") + text);
    });
    QObject::connect(updater, &QUpdater::showNewestReport, &app, [] { print(QStringLiteral("showNewestReport")); });
    QObject::connect(updater, &QUpdater::showReportCount, &app, [] { print(QStringLiteral("showReportCount")); });
    QObject::connect(updater, &QUpdater::showNewestRating, &app, [] { print(QStringLiteral("showNewestRating")); });
    QObject::connect(updater, &QUpdater::showOuttimeDialog, &app, [] { print(QStringLiteral("showOuttimeDialog")); });
    QObject::connect(updater, &QUpdater::loadConcernedAnalystListOfSidebar, &app,
                     [] { print(QStringLiteral("loadConcernedAnalystListOfSidebar")); });
    QObject::connect(updater, &QUpdater::showReportTipOfBlock, &app,
                     [](const QString &code) { print(QStringLiteral("showReportTipOfBlock ") + code); });
    QObject::connect(updater, &QUpdater::addAlert, &app, [](const QString &kind, const QString &id) {
        print(QStringLiteral("addAlert %1 %2").arg(kind, id));
    });
    QObject::connect(updater, &QUpdater::addMessage, &app,
                     [](const QString &id, const QString &title, const QString &institution, const QString &type,
                        const QDateTime &entry, const QDateTime &published) {
                         print(QStringLiteral("addMessage %1 %2 | %3 | %4 | %5 | %6")
                                   .arg(id, title, institution, type,
                                        entry.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                        published.toString(QStringLiteral("yyyy-MM-dd"))));
                     });
    QObject::connect(updater, &QUpdater::packageImported, &app,
                     [](const QString &name, bool imported, int rows, qint64 ms) {
                         print(QStringLiteral("package %1 %2 rows=%3 ms=%4")
                                   .arg(name, imported ? QStringLiteral("ok") : QStringLiteral("failed"))
                                   .arg(rows)
                                   .arg(ms));
                     });
    QObject::connect(updater, &QUpdater::cycleFinished, &app,
                     [&, updater](bool complete, int fetched, int failed) {
                         ++done;
                         lastClean = complete && failed == 0;
                         print(QStringLiteral("cycle %1 %2 fetched=%3 failed=%4")
                                   .arg(done)
                                   .arg(complete ? QStringLiteral("complete") : QStringLiteral("incomplete"))
                                   .arg(fetched)
                                   .arg(failed));
                         if (done == cycles)
                             QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
                     });
    QObject::connect(updater, &QUpdater::exitSystem, &app, [] { print(QStringLiteral("exitSystem")); });

    auto *thread = new QThread();
    thread->setObjectName(QStringLiteral("updater"));
    updater->moveToThread(thread);
    QObject::connect(thread, SIGNAL(started()), updater, SLOT(start()));
    QObject::connect(updater, &QUpdater::exitSystem, thread, &QThread::quit);
    QObject::connect(thread, &QThread::finished, updater, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, &app, &QCoreApplication::quit);
    thread->start(QThread::InheritPriority);

    app.exec();
    thread->wait();
    delete thread;
    return lastClean ? 0 : 2;
}
