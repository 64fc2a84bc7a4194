// Imports the stand-in's large data set into a fresh folder with the update engine on its own
// thread, as the main window runs it, and prints:
// - the total seconds of the first index cycle;
// - rows per second of the report packages (inflate, read and import), the same rows written by a
//   plain prepared insert in one transaction in this run, and the ratio of the two;
// - the peak memory of the process;
// - the longest stall of the main thread's event loop (a 10 ms timer) while the engine imports.
//
//   bench_updater [--data DIR]    DIR: a data set of `tamrel-devserver generate`; without it the
//                                 large set is generated into a temporary folder first.
// TAMREL_DEVSERVER names the stand-in; by default the one of this build tree.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "packageimport.h"
#include "packagerow.h"
#include "qupdater.h"
#include "safeuncompress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The rows of one report package, each value bound as the importer binds it.
QVector<QVector<QVariant>> reportRows(const QString &path)
{
    QVector<QVector<QVariant>> out;
    QFile file(path);
    QByteArray text;
    if (!file.open(QIODevice::ReadOnly) || !safeUncompress(file.readAll(), &text))
        return out;
    QJsonArray rows;
    readPackageRows(text, &rows);
    for (const QJsonValue &value : qAsConst(rows)) {
        const PackageRow row(value);
        auto t = [&row](const char *key) { return QVariant(row.text(QLatin1String(key))); };
        auto i = [&row](const char *key) { return QVariant(row.integer(QLatin1String(key))); };
        out.append({bareKey(row.text(QLatin1String("id"))).value, t("cd"), i("im"), i("ex"), t("in"), t("sc"), t("is"),
                    t("an"), t("tt"), t("dP"), i("pg"), t("tE"), t("ty"), t("tM")});
    }
    return out;
}

// The report rows of every report package in one transaction; only the inserts are timed.
double plainInsertRate(const QString &dataDir, qint64 *count, QString *error)
{
    QTemporaryDir dir;
    if (!initMainDatabase(dir.path())) {
        *error = QStringLiteral("cannot create a database for the plain insert");
        return 0;
    }
    qint64 nanos = 0;
    {
        QSqlDatabase db = mainDatabase();
        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, Ins_Name, Anl_List, "
            "Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Rpt_Readed, Rpt_DtModify) "
            "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?)"));
        db.transaction();
        const QStringList names = QDir(dataDir + QStringLiteral("/dat")).entryList({QStringLiteral("RPT*.DAT")});
        for (const QString &name : names) {
            if (packageKind(name) != PackageKind::Report
                || isSkippedMonthlyPackage(packageBaseName(name), getDataYear()))
                continue;
            const QVector<QVector<QVariant>> rows = reportRows(dataDir + QStringLiteral("/dat/") + name);
            QElapsedTimer timer;
            timer.start();
            for (const QVector<QVariant> &row : rows) {
                for (int k = 0; k < row.size(); ++k)
                    query.bindValue(k, row.at(k));
                // A report listed twice is refused the second time, as the import leaves it.
                if (query.exec())
                    ++*count;
            }
            nanos += timer.nsecsElapsed();
        }
        QElapsedTimer timer;
        timer.start();
        if (!db.commit())
            *error = db.lastError().text();
        nanos += timer.nsecsElapsed();
    }
    closeMainDatabase();
    return nanos > 0 ? double(*count) / (double(nanos) / 1e9) : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("TAMREL_DEVSERVER"))
        qputenv("TAMREL_DEVSERVER",
                QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/../devserver/tamrel-devserver")));

    QString dataDir;
    const int at = app.arguments().indexOf(QStringLiteral("--data"));
    if (at > 0 && at + 1 < app.arguments().size())
        dataDir = app.arguments().at(at + 1);
    QTemporaryDir generated;
    if (dataDir.isEmpty()) {
        dataDir = generated.path() + QStringLiteral("/large");
        out() << "generating the large data set..." << Qt::endl;
        QProcess generate;
        generate.start(DevServer::programPath(), {QStringLiteral("generate"), QStringLiteral("--size"),
                                                  QStringLiteral("large"), QStringLiteral("--seed"),
                                                  QStringLiteral("1"), QStringLiteral("--out"), dataDir});
        if (!generate.waitForFinished(300000) || generate.exitCode() != 0) {
            out() << "cannot generate the data set with " << DevServer::programPath() << Qt::endl;
            return 1;
        }
    }
    qputenv("TAMREL_DEVDATA", QFile::encodeName(dataDir));

    DevServer server;
    if (!server.start()) {
        out() << "the stand-in did not start: " << server.errorString() << Qt::endl;
        return 1;
    }
    loadDefaultConfig();
    setHostIndex(0);

    QTemporaryDir folder;
    if (!initMainDatabase(folder.path())) {
        out() << "cannot create the data folder" << Qt::endl;
        return 1;
    }

    auto *updater = new QUpdater();
    auto *thread = new QThread();
    updater->moveToThread(thread);

    qint64 reportRowsImported = 0;
    qint64 reportNanos = 0;
    int packages = 0;
    int failed = 0;
    QString lastStatus;
    QObject::connect(updater, &QUpdater::showStatus, &app, [&](const QString &text) { lastStatus = text; });
    QObject::connect(updater, &QUpdater::packageImported, &app,
                     [&](const QString &name, bool ok, int rows, qint64 ms) {
                         ++packages;
                         if (!ok)
                             ++failed;
                         if (ok && packageKind(name) == PackageKind::Report) {
                             reportRowsImported += rows;
                             reportNanos += ms * 1000000;
                         }
                     });

    // The main thread's loop: a 10 ms timer whose longest late arrival is the stall.
    QElapsedTimer sinceTick;
    qint64 longestStallMs = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        longestStallMs = qMax(longestStallMs, sinceTick.elapsed() - 10);
        sinceTick.start();
    });

    QElapsedTimer total;
    double totalSeconds = 0;
    QObject::connect(updater, &QUpdater::cycleFinished, &app, [&](bool complete, int, int) {
        totalSeconds = double(total.nsecsElapsed()) / 1e9;
        if (!complete)
            out() << "the cycle did not complete: " << lastStatus << Qt::endl;
        probe.stop();
        QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
    });
    QObject::connect(thread, SIGNAL(started()), updater, SLOT(start()));
    QObject::connect(updater, &QUpdater::exitSystem, thread, &QThread::quit);
    QObject::connect(thread, &QThread::finished, updater, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, &app, &QCoreApplication::quit);

    out() << "importing " << dataDir << " ..." << Qt::endl;
    total.start();
    sinceTick.start();
    probe.start(10);
    thread->start();
    app.exec();
    thread->wait();
    delete thread;
    // The engine's first cycle starts one second after the thread.
    totalSeconds -= 1.0;

    const double peak = peakMegabytes();
    const double importRate = reportNanos > 0 ? double(reportRowsImported) / (double(reportNanos) / 1e9) : 0;
    qint64 plainRows = 0;
    QString error;
    const double plainRate = plainInsertRate(dataDir, &plainRows, &error);
    if (!error.isEmpty())
        out() << "plain insert: " << error << Qt::endl;

    out() << QStringLiteral("packages:                  %1 (%2 failed)").arg(packages).arg(failed) << Qt::endl;
    out() << QStringLiteral("total:                     %1 s (first cycle, from its first request)")
                 .arg(totalSeconds, 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("report packages:           %1 rows, %2 rows/s").arg(reportRowsImported).arg(importRate, 0, 'f', 0)
          << Qt::endl;
    out() << QStringLiteral("plain prepared insert:     %1 rows, %2 rows/s").arg(plainRows).arg(plainRate, 0, 'f', 0)
          << Qt::endl;
    out() << QStringLiteral("ratio:                     %1 (target >= 0.3)").arg(plainRate > 0 ? importRate / plainRate : 0, 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("peak memory:               %1 MB (target < 300)").arg(peak, 0, 'f', 1) << Qt::endl;
    out() << QStringLiteral("longest main-thread stall: %1 ms (target <= 50)").arg(longestStallMs) << Qt::endl;
    return failed == 0 ? 0 : 2;
}
