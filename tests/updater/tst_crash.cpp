// The console program is killed (SIGKILL) in the middle of importing the stand-in's large data
// set and then run again: the database must be intact and end with the same rows as a run that
// was never interrupted (the counts of the data set's manifest).

#include "dbconnection.h"
#include "devserver.h"
#include "enginerunner.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString updateProgram()
{
    return qEnvironmentVariable("TAMREL_UPDATE");
}

QStringList tableNames(const QJsonObject &tables)
{
    return tables.keys();
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedMidImportThenResumed();
};

void TestCrash::killedMidImportThenResumed()
{
    QVERIFY2(!updateProgram().isEmpty(), "TAMREL_UPDATE names no program");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString dataSet = dir.filePath(QStringLiteral("large"));
    QProcess generate;
    generate.start(DevServer::programPath(), {QStringLiteral("generate"), QStringLiteral("--size"), QStringLiteral("large"),
                                              QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("--out"), dataSet});
    QVERIFY(generate.waitForFinished(120000));
    QCOMPARE(generate.exitCode(), 0);

    qputenv("TAMREL_DEVDATA", QFile::encodeName(dataSet));
    DevServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QJsonObject tables = server.manifest().value(QLatin1String("tables")).toObject();
    const QString folder = dir.filePath(QStringLiteral("data"));

    // First run: killed while a report, rating or estimate package is being written.
    QProcess first;
    first.setProcessChannelMode(QProcess::SeparateChannels);
    first.start(updateProgram(), {QStringLiteral("--data"), folder, QStringLiteral("--cycles"), QStringLiteral("1")});
    QVERIFY(first.waitForStarted());
    static const QRegularExpression progress(
        QStringLiteral("^status 导入((RPT|RAT|EST)MTH\\S+)\\.\\.\\.([0-9]+)\\.[0-9]{2}%$"));
    int imported = 0;
    QString killedIn;
    bool killedBeforeCommit = false;
    const QDeadlineTimer deadline(180000);
    QByteArray pending;
    while (killedIn.isEmpty() && first.state() == QProcess::Running && !deadline.hasExpired()) {
        first.waitForReadyRead(1000);
        pending += first.readAllStandardOutput();
        int end;
        while (killedIn.isEmpty() && (end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (line.startsWith(QLatin1String("package ")))
                ++imported;
            const QRegularExpressionMatch m = progress.match(line);
            const int percent = m.hasMatch() ? m.captured(3).toInt() : 0;
            if (imported >= 60 && percent >= 10 && percent <= 90) {
                first.kill();
                killedIn = m.captured(1);
            }
        }
    }
    QVERIFY2(!killedIn.isEmpty(), "the first run ended before it could be killed");
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    qInfo() << "killed while importing" << killedIn << "after" << imported << "packages";

    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), folder + QStringLiteral("/data.s3"));
        QVERIFY(db.isOpen());
        QCOMPARE(integrityCheck(db), QStringLiteral("ok"));
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("select count(*) from T_Data")) && query.next());
        QVERIFY(query.value(0).toInt() < tables.value(QLatin1String("T_Data")).toInt());
        query.prepare(QStringLiteral("select count(*) from T_Data where Dat_Name = ?"));
        query.addBindValue(killedIn.left(killedIn.indexOf(QLatin1Char('.'))));
        QVERIFY(query.exec() && query.next());
        killedBeforeCommit = query.value(0).toInt() == 0;
    }
    closeSqliteConnection(QStringLiteral("Check"));

    // Second run: fetches what is missing, the interrupted package among it.
    QProcess second;
    second.setProcessChannelMode(QProcess::SeparateChannels);
    second.start(updateProgram(), {QStringLiteral("--data"), folder, QStringLiteral("--cycles"), QStringLiteral("1"),
                                   QStringLiteral("--quiet")});
    QVERIFY(second.waitForFinished(240000));
    const QString output = QString::fromUtf8(second.readAllStandardOutput());
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    if (killedBeforeCommit)
        QVERIFY2(output.contains(QStringLiteral("package ") + killedIn + QStringLiteral(" ok")), qPrintable(killedIn));

    QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), folder + QStringLiteral("/data.s3"));
    QCOMPARE(integrityCheck(db), QStringLiteral("ok"));
    for (const QString &table : tableNames(tables)) {
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("select count(*) from ") + table) && query.next());
        QCOMPARE(query.value(0).toInt(), tables.value(table).toInt());
    }
    db = QSqlDatabase();
    closeSqliteConnection(QStringLiteral("Check"));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
