// The console program is killed (SIGKILL) in the middle of importing the stand-in's large data
// set and then run again: the database must be intact and end with the rows of the data set's
// manifest, as a run that was never interrupted.

#include "enginerunner.h"

#include <QRegularExpression>

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedMidImportThenResumed();
};

void TestCrash::killedMidImportThenResumed()
{
    const QString program = qEnvironmentVariable("TAMREL_UPDATE");
    QVERIFY2(!program.isEmpty(), "TAMREL_UPDATE names no program");
    QTemporaryDir dir;
    const QString dataSet = dir.filePath(QStringLiteral("large"));
    const QStringList generate = {"generate", "--size", "large", "--seed", "1", "--out", dataSet};
    QCOMPARE(QProcess::execute(DevServer::programPath(), generate), 0);
    qputenv("TAMREL_DEVDATA", QFile::encodeName(dataSet));
    DevServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QJsonObject tables = server.manifest().value(QLatin1String("tables")).toObject();
    const QString folder = dir.filePath(QStringLiteral("data"));

    // First run: killed while a report, rating or estimate package is being written.
    QProcess first;
    first.start(program, {QStringLiteral("--data"), folder});
    static const QRegularExpression progress("^status 导入((RPT|RAT|EST)MTH\\S+)\\.\\.\\.([0-9]+)\\.[0-9]{2}%$");
    int imported = 0;
    QString killedIn;
    while (killedIn.isEmpty() && first.waitForReadyRead(60000)) {
        while (killedIn.isEmpty() && first.canReadLine()) {
            const QString line = QString::fromUtf8(first.readLine()).trimmed();
            imported += line.startsWith(QLatin1String("package "));
            const QRegularExpressionMatch m = progress.match(line);
            if (imported >= 60 && m.hasMatch() && m.captured(3).toInt() >= 10 && m.captured(3).toInt() <= 90) {
                first.kill();
                killedIn = m.captured(1);
            }
        }
    }
    QVERIFY2(!killedIn.isEmpty(), "the first run ended, or was silent for 60 s, before it could be killed");
    QVERIFY2(first.waitForFinished(30000), "the killed first run did not end within 30 s");
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);

    bool interruptedRecorded = false;
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), folder + QStringLiteral("/data.s3"));
        QCOMPARE(integrityCheck(db), QStringLiteral("ok"));
        QVERIFY(rowCount(QStringLiteral("T_Data"), db) < tables.value(QLatin1String("T_Data")).toInt());
        interruptedRecorded = rowCount("T_Data where Dat_Name = '" + killedIn.section('.', 0, 0) + "'", db) > 0;
    }
    closeSqliteConnection(QStringLiteral("Check"));

    // Second run: fetches what is missing, the interrupted package among it.
    QProcess second;
    second.start(program, {QStringLiteral("--data"), folder, QStringLiteral("--quiet")});
    QVERIFY2(second.waitForFinished(120000), "the second run did not end within 120 s");
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    if (!interruptedRecorded)
        QVERIFY(second.readAllStandardOutput().contains(("package " + killedIn + " ok").toUtf8()));
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Check"), folder + QStringLiteral("/data.s3"));
        QCOMPARE(integrityCheck(db), QStringLiteral("ok"));
        for (const QString &table : tables.keys())
            QCOMPARE(rowCount(table, db), tables.value(table).toInt());
    }
    closeSqliteConnection(QStringLiteral("Check"));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
