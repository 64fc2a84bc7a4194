// Syncs the stand-in's large data set and prints what the user waits for and what it costs:
//
// engine   the update engine alone on its thread, as the main window runs it, into a fresh folder:
//          the seconds of the first index cycle, rows per second of each package kind (inflate,
//          read and import), the status texts it sends per second, the peak memory;
// window   the real main window (style sheet and font of the program) shown while its own engine
//          syncs the set into another fresh folder: the gaps of the GUI thread's event loop
//          (a 5 ms timer) from the start of the cycle to "数据更新完毕！", with the seconds it took;
// ratio    report packages imported side by side with a plain prepared insert of the same rows
//          (read from the same parsed package) into files with the same schema and the same
//          connection settings as the engine's: one transaction per package, and one for all the
//          packages. The three run package by package in a rotating order, so that drift of a
//          shared machine falls on all three; each package gives its own ratio of rates.
//
//   bench_updater [--data DIR] [--only engine|window|ratio]
//                 DIR: a data set of `tamrel-devserver generate`; without it the large set is
//                 generated into a temporary folder first.
// TAMREL_DEVSERVER names the stand-in; by default the one of this build tree.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "packageimport.h"
#include "packagerow.h"
#include "qupdater.h"
#include "qwinmain.h"
#include "safeuncompress.h"
#include "standinsession.h"
#include "startup.h"
#include "usersettings.h"

#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// "min / median / max" of the values, with the given decimals.
QString spread(std::vector<double> v, int decimals)
{
    if (v.empty())
        return QStringLiteral("-");
    std::sort(v.begin(), v.end());
    return QStringLiteral("%1 / %2 / %3")
        .arg(v.front(), 0, 'f', decimals)
        .arg(v[v.size() / 2], 0, 'f', decimals)
        .arg(v.back(), 0, 'f', decimals);
}

const char *kindName(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Report: return "report";
    case PackageKind::Rating: return "rating";
    case PackageKind::Estimate: return "estimate";
    default: return "other";
    }
}

// ---- engine: the engine alone on its thread ----

struct KindTally
{
    qint64 rows = 0;
    qint64 ms = 0;
    int packages = 0;
};

// The synchronous setting of the engine's own connection, read on its thread: the ratio runs
// its three files with the same.
int engineSync = -1;

bool runEngine(QApplication &app)
{
    QTemporaryDir folder;
    if (!initMainDatabase(folder.path())) {
        out() << "cannot create the data folder" << Qt::endl;
        return false;
    }
    auto *updater = new QUpdater();
    auto *thread = new QThread();
    updater->moveToThread(thread);

    QMap<QString, KindTally> kinds;
    int failed = 0;
    qint64 statuses = 0;
    QString lastStatus;
    QObject::connect(updater, &QUpdater::showStatus, &app, [&](const QString &text) {
        lastStatus = text;
        ++statuses;
    });
    QObject::connect(updater, &QUpdater::packageImported, &app, [&](const QString &name, bool ok, int rows, qint64 ms) {
        if (!ok) {
            ++failed;
            return;
        }
        KindTally &k = kinds[QLatin1String(kindName(packageKind(name)))];
        k.rows += rows;
        k.ms += ms;
        ++k.packages;
    });
    QElapsedTimer total;
    double seconds = 0;
    QObject::connect(updater, &QUpdater::cycleFinished, &app, [&](bool complete) {
        seconds = double(total.nsecsElapsed()) / 1e9 - 1.0; // the first cycle starts a second in
        if (!complete)
            out() << "the cycle did not complete: " << lastStatus << Qt::endl;
        QMetaObject::invokeMethod(updater, [] {
            QSqlQuery q(mainDatabase());
            if (q.exec(QStringLiteral("PRAGMA synchronous")) && q.next())
                engineSync = q.value(0).toInt();
        }, Qt::BlockingQueuedConnection);
        QMetaObject::invokeMethod(updater, "stop", Qt::QueuedConnection);
    });
    QObject::connect(thread, SIGNAL(started()), updater, SLOT(start()));
    QObject::connect(updater, &QUpdater::exitSystem, thread, &QThread::quit);
    QObject::connect(thread, &QThread::finished, updater, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, &app, &QCoreApplication::quit);

    out() << "engine: importing ..." << Qt::endl;
    total.start();
    thread->start();
    app.exec();
    thread->wait();
    delete thread;
    closeMainDatabase();

    out() << QStringLiteral("engine  first cycle:        %1 s (goal <= 12)").arg(seconds, 0, 'f', 1) << Qt::endl;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it) {
        const double rate = it->ms > 0 ? double(it->rows) * 1000.0 / double(it->ms) : 0;
        out() << QStringLiteral("engine  %1 %2 packages, %3 rows, %4 s, %5 rows/s")
                     .arg(it.key() + QLatin1Char(':'), -17)
                     .arg(it->packages, 3)
                     .arg(it->rows, 7)
                     .arg(double(it->ms) / 1000.0, 5, 'f', 1)
                     .arg(rate, 7, 'f', 0)
              << Qt::endl;
    }
    out() << QStringLiteral("engine  status texts:       %1 per second").arg(seconds > 0 ? statuses / seconds : 0, 0, 'f', 0)
          << Qt::endl;
    out() << QStringLiteral("engine  failed packages:    %1").arg(failed) << Qt::endl;
    out() << QStringLiteral("engine  synchronous:        %1").arg(engineSync) << Qt::endl;
    out() << QStringLiteral("engine  peak memory:        %1 MB").arg(peakMegabytes(), 0, 'f', 1) << Qt::endl;
    return failed == 0;
}

// ---- window: the main window's event loop while its engine syncs ----

bool runWindow(QApplication &app)
{
    QTemporaryDir folder;
    loadOptionConfig();
    setDataDir(folder.path());
    if (!initMainDatabase(folder.path()) || !openStandInSession()) {
        out() << "window: no data folder or no session with the stand-in" << Qt::endl;
        return false;
    }
    const QString appDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../app");
    installAppFont(appDir);
    if (!installStyleSheet(&app, appDir))
        out() << "window: no skin.qss in " << appDir << Qt::endl;

    QWinMain window;
    window.show();
    auto *status = window.findChild<QLabel *>(QStringLiteral("lblStatus"));
    const QString initialText = status->text();
    constexpr int kProbeMs = 5;
    // Each gap with the GUI thread's own CPU time in it: on a busy machine a long gap with little
    // CPU is the thread waiting for a core, not work of the program.
    struct Gap
    {
        double wall, cpu;
        QString text;   // the status text the gap ended on
    };
    std::vector<Gap> gaps;
    double cpuAtTick = threadCpuMs();
    QElapsedTimer sinceTick, total;
    bool cycling = false, done = false;
    double seconds = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const double gap = double(sinceTick.nsecsElapsed()) / 1e6;
        const double cpu = threadCpuMs();
        const double gapCpu = cpu - cpuAtTick;
        cpuAtTick = cpu;
        sinceTick.start();
        const QString text = status->text();
        // The engine's first text opens the cycle; the index itself may come and go between two ticks.
        if (!cycling && text != initialText) {
            cycling = true;
            total.start();
            return;
        }
        if (!cycling || done)
            return;
        gaps.push_back({gap, gapCpu, text});
        if (text == QStringLiteral("数据更新完毕！") || text == QStringLiteral("数据更新中止！")) {
            done = true;
            seconds = double(total.nsecsElapsed()) / 1e9;
            // As the close question's "yes" does; the window closes for good on exitSystem().
            QMetaObject::invokeMethod(&window, "stopUpdater");
        }
    });
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    out() << "window: syncing ..." << Qt::endl;
    sinceTick.start();
    probe.start(kProbeMs);
    app.exec();
    probe.stop();
    closeMainDatabase();

    std::vector<double> walls, cpus;
    for (const Gap &g : gaps) {
        walls.push_back(g.wall);
        cpus.push_back(g.cpu);
    }
    std::sort(gaps.begin(), gaps.end(), [](const Gap &a, const Gap &b) { return a.wall > b.wall; });
    const auto over = std::count_if(walls.begin(), walls.end(), [](double g) { return g > 16.0 + kProbeMs; });
    out() << QStringLiteral("window  sync:               %1 s (%2)")
                 .arg(seconds, 0, 'f', 1)
                 .arg(done ? status->text() : QStringLiteral("did not end"))
          << Qt::endl;
    if (!gaps.empty()) {
        std::sort(walls.begin(), walls.end());
        out() << QStringLiteral("window  event-loop gaps:    min / median / max %1 ms, 99th %2 ms (timer %3 ms)")
                     .arg(spread(walls, 1))
                     .arg(walls[walls.size() * 99 / 100], 0, 'f', 1)
                     .arg(kProbeMs)
              << Qt::endl;
        out() << QStringLiteral("window  longest stall:      %1 ms (goal <= 16); %2 of %3 gaps stalled over 16 ms")
                     .arg(walls.back() - kProbeMs, 0, 'f', 1)
                     .arg(over)
                     .arg(gaps.size())
              << Qt::endl;
        out() << QStringLiteral("window  most GUI-thread CPU in one gap: %1 ms").arg(*std::max_element(cpus.begin(), cpus.end()), 0, 'f', 1)
              << Qt::endl;
        for (size_t k = 0; k < gaps.size() && k < 3; ++k)
            out() << QStringLiteral("window    gap %1 ms, %2 ms of it GUI-thread CPU, ended on \"%3\"")
                         .arg(gaps[k].wall, 0, 'f', 1)
                         .arg(gaps[k].cpu, 0, 'f', 1)
                         .arg(gaps[k].text)
                  << Qt::endl;
    }
    return done;
}

// ---- ratio: the report importer against a plain prepared insert, package by package ----

const char kPlainInsert[] =
    "insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, Ins_Name, Anl_List, "
    "Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Rpt_Readed, Rpt_DtModify) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?)";

// Binds and inserts every row as the importer reads it; a report listed twice is refused the
// second time, as the import leaves it.
void plainInsert(QSqlQuery &query, const QJsonArray &rows)
{
    for (const QJsonValue &value : rows) {
        const PackageRow row(value);
        auto t = [&row](const char *key) { return QVariant(row.text(QLatin1String(key))); };
        auto i = [&row](const char *key) { return QVariant(row.integer(QLatin1String(key))); };
        const QVariant values[] = {bareKey(row.text(QLatin1String("id"))).value, t("cd"), i("im"), i("ex"), t("in"),
                                   t("sc"), t("is"), t("an"), t("tt"), t("dP"), i("pg"), t("tE"), t("ty"), t("tM")};
        int k = 0;
        for (const QVariant &v : values)
            query.bindValue(k++, v);
        query.exec();
    }
}

// A fresh data.s3 with the schema in dir, open under base with the engine's synchronous setting.
QSqlDatabase schemaFile(const QString &dir, const QString &base)
{
    if (!initMainDatabase(dir))
        return QSqlDatabase();
    closeMainDatabase();
    QSqlDatabase db = sqliteConnection(base, dir + QStringLiteral("/data.s3"));
    if (engineSync >= 0)
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = %1").arg(engineSync));
    return db;
}

bool runRatio(const QString &dataDir)
{
    QTemporaryDir temp;
    QSqlDatabase imported = schemaFile(temp.filePath(QStringLiteral("import")), QStringLiteral("Import"));
    QSqlDatabase perPackage = schemaFile(temp.filePath(QStringLiteral("package")), QStringLiteral("PerPackage"));
    QSqlDatabase single = schemaFile(temp.filePath(QStringLiteral("single")), QStringLiteral("Single"));
    if (!imported.isOpen() || !perPackage.isOpen() || !single.isOpen()) {
        out() << "ratio: cannot create the three files" << Qt::endl;
        return false;
    }
    QSqlQuery insertPackage(perPackage), insertSingle(single);
    insertPackage.prepare(QLatin1String(kPlainInsert));
    insertSingle.prepare(QLatin1String(kPlainInsert));
    single.transaction();

    struct Package
    {
        int rows;
        double readMs, importMs, packageMs, singleMs;
    };
    std::vector<Package> packages;
    qint64 allRows = 0;
    ImportContext context;
    context.status = [](const QString &) {};
    const QStringList names = QDir(dataDir + QStringLiteral("/dat")).entryList({QStringLiteral("RPT*.DAT")});
    out() << "ratio: importing report packages side by side ..." << Qt::endl;
    for (const QString &name : names) {
        if (packageKind(name) != PackageKind::Report || isSkippedMonthlyPackage(packageBaseName(name), getDataYear()))
            continue;
        QFile file(dataDir + QStringLiteral("/dat/") + name);
        QByteArray text;
        QJsonArray rows;
        QElapsedTimer inflate;
        inflate.start();
        if (!file.open(QIODevice::ReadOnly) || !safeUncompress(file.readAll(), &text) || !readPackageRows(text, &rows))
            continue;
        if (rows.isEmpty())
            continue;
        Package p{rows.size(), double(inflate.nsecsElapsed()) / 1e6, 0, 0, 0};
        const DataRecord record{packageBaseName(name), QStringLiteral("2017-01-09 17:00:00")};
        auto timed = [](const std::function<void()> &work) {
            QElapsedTimer timer;
            timer.start();
            work();
            return double(timer.nsecsElapsed()) / 1e6;
        };
        const std::function<void()> runs[] = {
            [&] {
                p.importMs = timed([&] { importPackageRows(imported, name, rows, context, &record); });
            },
            [&] {
                p.packageMs = timed([&] {
                    perPackage.transaction();
                    plainInsert(insertPackage, rows);
                    perPackage.commit();
                });
            },
            [&] { p.singleMs = timed([&] { plainInsert(insertSingle, rows); }); },
        };
        const int first = int(packages.size() % 3);
        for (int k = 0; k < 3; ++k)
            runs[(first + k) % 3]();
        allRows += p.rows;
        packages.push_back(p);
    }
    QElapsedTimer commit;
    commit.start();
    if (!single.commit())
        out() << "ratio: the one transaction did not commit: " << single.lastError().text() << Qt::endl;
    const double commitMs = double(commit.nsecsElapsed()) / 1e6;

    std::vector<double> toPackage, toSingle, toSingleRead, importRates;
    double readMs = 0, importMs = 0, packageMs = 0, singleMs = 0;
    for (Package &p : packages) {
        p.singleMs += commitMs * p.rows / double(allRows); // the one commit, shared by rows
        toPackage.push_back(p.packageMs / p.importMs);
        toSingle.push_back(p.singleMs / p.importMs);
        toSingleRead.push_back(p.singleMs / (p.readMs + p.importMs));
        importRates.push_back(p.rows * 1000.0 / p.importMs);
        readMs += p.readMs;
        importMs += p.importMs;
        packageMs += p.packageMs;
        singleMs += p.singleMs;
    }
    out() << QStringLiteral("ratio   report packages:    %1 with %2 rows (synchronous %3 on all three files)")
                 .arg(packages.size())
                 .arg(allRows)
                 .arg(engineSync)
          << Qt::endl;
    out() << QStringLiteral("ratio   import rows/s:      min / median / max %1 (all: %2)")
                 .arg(spread(importRates, 0))
                 .arg(allRows * 1000.0 / importMs, 0, 'f', 0)
          << Qt::endl;
    out() << QStringLiteral("ratio   vs a transaction per package: min / median / max %1 (all: %2)")
                 .arg(spread(toPackage, 2))
                 .arg(packageMs / importMs, 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("ratio   vs one transaction:           min / median / max %1 (all: %2; goal >= 0.7)")
                 .arg(spread(toSingle, 2))
                 .arg(singleMs / importMs, 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("ratio   the same, the import also inflating and parsing its package: "
                            "min / median / max %1 (all: %2)")
                 .arg(spread(toSingleRead, 2))
                 .arg(singleMs / (readMs + importMs), 0, 'f', 2)
          << Qt::endl;
    out() << QStringLiteral("ratio   inflate and parse:  %1 rows/s").arg(allRows * 1000.0 / readMs, 0, 'f', 0) << Qt::endl;
    return !packages.empty();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUtf8LocaleCodec();
    if (qEnvironmentVariableIsEmpty("TAMREL_DEVSERVER"))
        qputenv("TAMREL_DEVSERVER",
                QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/../devserver/tamrel-devserver")));

    const QStringList args = app.arguments();
    auto option = [&args](const char *name) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    };
    QString dataDir = option("--data");
    const QString only = option("--only");
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

    bool ok = true;
    if (only.isEmpty() || only == QLatin1String("engine") || only == QLatin1String("ratio"))
        ok = runEngine(app) && ok;
    if (only.isEmpty() || only == QLatin1String("window"))
        ok = runWindow(app) && ok;
    if (only.isEmpty() || only == QLatin1String("ratio"))
        ok = runRatio(dataDir) && ok;
    return ok ? 0 : 2;
}
