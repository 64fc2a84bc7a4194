// The sample-data generator: determinism, the JSON types the importers expect, the coverage the
// client's lists need and the award table's analysts. The manifest's table counts are checked
// against the client's own import by the updater tests.

#include "devserver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonArray rowsOf(const QString &dir, const QString &name) { return QJsonDocument::fromJson(qUncompress(contents(dir + "/dat/" + name)))["data"].toArray(); }

QJsonValue factsOf(const QString &dir) { return QJsonDocument::fromJson(contents(dir + "/manifest.json"))["facts"]; }

// The stand-in's exit code, or -1 with a warning when it did not end normally within 30 s.
int run(const QStringList &args)
{
    QProcess p;
    p.start(DevServer::programPath(), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        qWarning("the stand-in did not end normally within 30 s: %s", qPrintable(args.join(' ')));
        return -1;
    }
    return p.exitCode();
}

QStringList generate(const QString &dir, const QString &seed, const QString &awards)
{
    return {"generate", "--size", "small", "--seed", seed, "--out", dir, "--awards", awards};
}

QString source(const QString &path) { return qEnvironmentVariable("TAMREL_SOURCE_DIR") + path; }

} // namespace

class TestGenerator : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    const QString m_data = m_tmp.filePath("a");
    const QString m_awards = source("/devserver/testdata/xcf.ini");

private slots:
    void initTestCase() { QCOMPARE(run(generate(m_data, "5", m_awards)), 0); }

    void deterministic()
    {
        const QString again = m_tmp.filePath("b"), other = m_tmp.filePath("c");
        QVERIFY(run(generate(again, "5", m_awards)) == 0 && run(generate(other, "6", m_awards)) == 0);
        QStringList files = {"manifest.json", "accounts.json", "stocks.tsv", "reports.tsv"};
        for (const QString &name : QDir(m_data + "/dat").entryList(QDir::Files))
            files << "dat/" + name;
        QVERIFY(files.size() > 100);
        for (const QString &name : qAsConst(files)) {
            const QByteArray first = contents(m_data + '/' + name);
            QVERIFY2(!first.isEmpty() && first == contents(again + '/' + name), qPrintable(name));
        }
        QVERIFY(rowsOf(other, "STK.DAT") != rowsOf(m_data, "STK.DAT"));
    }

    void rowTypes_data()
    {
        // s: string, t: "yyyy-MM-dd HH:mm:ss", d: "yyyy-MM-dd", n: number, N: number or null, p: number or ""
        QTest::addColumn<QString>("package");
        QTest::addColumn<QString>("types");
        QTest::newRow("RPT") << "RPTTDY.DAT" << "id:n cd:s im:n ex:n in:s sc:s is:s an:s tt:s dP:d pg:n tE:t ty:s tM:t ms:n";
        QTest::newRow("RAT") << "RATTDY.DAT" << "cd:s is:s an:s dP:d rc:s sc:n ac:s pP:n pF:n pL:N pU:N fs:N fm:N nw:n id:n pr:p tE:t tM:t";
        QTest::newRow("EST") << "ESTTDY.DAT" << "id:n pr:s cd:s np:n tM:t";
        QTest::newRow("FIN") << "FIN.DAT" << "cd:s dt:d blc3010:n prf30:n prf5010:n tM:t";
        QTest::newRow("CNS") << "CNS.DAT" << "cd:s tp:s ic:n uc:n nc:n bc:n rc:n sr:N mr:N pL:N pU:N p1:n p2:n p3:n cn:N dt:d tM:t";
        QTest::newRow("MTX") << "MTX.DAT" << "cd:s mx:n opgttm:n cagrlast:n pre:s dt:d tM:t";
        QTest::newRow("ACE") << "ACE.DAT" << "uid:n yr:n st:n rc:n sc:n ss:n sx:N si:N sa:N mc:n ms:n mx:N mi:N ma:N dt:d tM:t";
        QTest::newRow("STK") << "STK.DAT" << "cd:s nm:s sp:s qt:n pD:d pC:n pG:n pF:n sh:n in:s pN:n pM:t b3010ttm:n p5010ttm:n tM:t";
        QTest::newRow("RCM") << "RCM.DAT" << "id:n vl:n tA:t tM:t";
        QTest::newRow("ANL") << "ANL.DAT" << "id:n nm:s is:s in:s mn:n ui:n nw:n dt:d tM:t";
        QTest::newRow("RPTDEL") << "RPTDEL.DAT" << "id:n";
        QTest::newRow("ESTDEL") << "ESTDEL.DAT" << "id:n pr:s";
        QTest::newRow("ANLDEL") << "ANLDEL.DAT" << "id:n";
    }

    void rowTypes()
    {
        QFETCH(QString, package);
        QFETCH(QString, types);
        const QJsonArray rows = rowsOf(m_data, package);
        QVERIFY(!rows.isEmpty());
        static const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"), date("^\\d{4}-\\d\\d-\\d\\d$");
        for (const QJsonValue &row : rows) {
            for (const QString &entry : types.split(' ')) {
                const QJsonValue v = row[entry.section(':', 0, 0)];
                const char t = entry.back().toLatin1();
                const bool ok = t == 's' ? v.isString() : t == 't' ? stamp.match(v.toString()).hasMatch() : t == 'd' ? date.match(v.toString()).hasMatch()
                                                        : v.isDouble() || (t == 'N' && v.isNull()) || (t == 'p' && v.toString().isEmpty());
                QVERIFY2(ok, qPrintable(package + ' ' + entry + ' ' + QJsonDocument(row.toObject()).toJson(QJsonDocument::Compact)));
            }
        }
    }

    void dataCoversTheLists()
    {
        const QJsonValue facts = factsOf(m_data);
        const QString from = QDate::fromString(facts["today"].toString(), Qt::ISODate).addMonths(-24).toString(Qt::ISODate);
        QSet<QString> seen;   // "what:value" of the data
        static const QRegularExpression analysts("^[^\\[\\],]+\\[\\d{1,4}\\](,[^\\[\\],]+\\[\\d{1,4}\\])*$");
        for (const QString &name : QDir(m_data + "/dat").entryList({"RPTMTH*", "RPTTDY*"})) {
            for (const QJsonValue &r : rowsOf(m_data, name)) {
                const QString title = r["tt"].toString();
                QVERIFY2(!title.contains('"') && !title.contains('\\') && analysts.match(r["an"].toString()).hasMatch(), qPrintable(title));
                QCOMPARE(r["sc"].toString().isEmpty(), r["cd"] != "STK.COM@CN");
                seen << "quote:" + QString::number(title.contains("&quot;")) << "backslash:" + QString::number(title.contains("&#92;"))
                     << "apostrophe:" + QString::number(title.contains('\'')) << "type:" + r["ty"].toString() << "important:" + QString::number(r["im"].toInt());
                if (r["dP"].toString() >= from)
                    seen << "category:" + r["cd"].toString();
            }
        }
        static const QRegularExpression stockCode("^(600|601|603|000|001|002|300)\\d{3}\\.(SH|SZ)$");
        const QStringList industries = QString("煤炭 石油化工 钢铁 有色金属 建筑材料 机械 电气设备 轻工印刷 建筑工程 交通运输 批发零售 汽车及零部件 家电 纺织服装 "
                                               "旅游休闲 文化传播 农林牧渔 食品饮料 医药生物 金融 地产 计算机 电子 通信 公用事业").split(' ');   // the side-bar's
        for (const QJsonValue &s : rowsOf(m_data, "STK.DAT")) {
            const QString code = s["cd"].toString(), industry = s["in"].toString().section(',', 0, 0);
            QVERIFY2(stockCode.match(code).hasMatch() && code.endsWith(".SH") == code.startsWith('6') && industries.contains(industry), qPrintable(code));
            QVERIFY2(!s["nm"].toString().isEmpty() && !s["sp"].toString().isEmpty(), qPrintable(code));
            seen << "prefix:" + code.left(3) << "industry:" + industry << "quit:" + QString::number(s["qt"].toInt());
        }
        for (const QString &name : QDir(m_data + "/dat").entryList({"RAT*"})) {
            for (const QJsonValue &r : rowsOf(m_data, name))
                seen << "action:" + r["ac"].toString() << "score:" + QString::number(r["sc"].toInt());
        }
        // Today's data raises the client's notices: messages, rating alerts (and block tips, below).
        for (const QJsonValue &r : rowsOf(m_data, "RPTTDY.DAT"))
            seen << "message:" + QString::number(r["ms"].toInt());
        for (const QJsonValue &r : rowsOf(m_data, "RATTDY.DAT"))
            seen << "alert:" + QString::number(r["nw"].toInt()) + r["ac"].toString();
        // Analysts who changed institution: two records of one person.
        QHash<qint64, QSet<QString>> institutionsOf;
        for (const QJsonValue &a : rowsOf(m_data, "ANL.DAT")) {
            QVERIFY(a["id"].toInt() >= 1 && a["id"].toInt() <= 9999);
            seen << "mover:" + QString::number((institutionsOf[qint64(a["ui"].toDouble())] << a["is"].toString()).size() > 1);
        }
        for (const char *fact : {"quote:1", "backslash:1", "apostrophe:1", "type:DOC", "type:XLS", "type:", "important:1", "quit:1",
                                 "message:1", "alert:1I", "alert:1U", "mover:1"})
            QVERIFY2(seen.contains(fact), fact);
        auto count = [&](const QString &what) { return std::count_if(seen.begin(), seen.end(), [&](const QString &s) { return s.startsWith(what); }); };
        QCOMPARE(count("category:"), 19);   // every category of the client's configuration in the default 24 months
        QVERIFY(count("score:") == 5 && count("action:") == 4 && count("prefix:") >= 6 && count("industry:") >= 20);
        QVERIFY(!facts["todayBlockStocks"].toArray().isEmpty());
    }

    // The client's award table against the data set that the build makes for every network test.
    void awardedAnalystsExist()
    {
        QSettings ini(source("/resources/xcf.ini"), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        QMap<int, QString> awarded, current;   // id -> "name institution"; the latest year wins
        for (const QString &year : ini.childGroups()) {
            ini.beginGroup(year);
            for (const QString &key : ini.childKeys()) {
                for (const QJsonValue &inst : QJsonDocument::fromJson(ini.value(key).toString().toUtf8())["insts"].toArray()) {
                    for (const QString &part : inst["anls"].toString().split(',', Qt::SkipEmptyParts))
                        awarded[part.section('[', 1).section(']', 0, 0).toInt()] = part.section('[', 0, 0) + ' ' + inst["inst"].toString();
                }
            }
            ini.endGroup();
        }
        const QString data = DevServer::defaultDataDir();
        for (const QJsonValue &a : rowsOf(data, "ANL.DAT")) {
            if (awarded.contains(a["id"].toInt()) && a["nw"] == 1)
                current[a["id"].toInt()] = a["nm"].toString() + ' ' + a["is"].toString();
        }
        QVERIFY(awarded.size() > 20);
        QCOMPARE(current, awarded);
        for (const QJsonValue &v : rowsOf(data, "ANLDEL.DAT"))
            QVERIFY(!awarded.contains(v["id"].toInt()));
        QCOMPARE(factsOf(data)["awardedAnalysts"].toInt(), awarded.size());
    }

    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");   // "x": the data set made above
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("no command") << QStringList() << false;
        QTest::newRow("unknown size") << QStringList{"generate", "--size", "huge", "--seed", "1", "--out", "x"} << false;
        QTest::newRow("no seed") << QStringList{"generate", "--out", "x"} << false;
        QTest::newRow("serve without data") << QStringList{"serve"} << false;
        QTest::newRow("serve an empty folder") << QStringList{"serve", "--data", "/nonexistent"} << false;
        QTest::newRow("bad port") << QStringList{"serve", "--data", "x", "--object-port", "70000"} << false;
        QTest::newRow("unknown fault") << QStringList{"serve", "--data", "x", "--fault", "nope"} << false;
        // Without an award table the data is made all the same, with a warning.
        QTest::newRow("no award table") << generate("y", "5", "/nonexistent/xcf.ini") << true;
    }

    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, succeeds);
        args.replaceInStrings(QRegularExpression("^x$"), m_data).replaceInStrings(QRegularExpression("^y$"), m_tmp.filePath("y"));
        QCOMPARE(run(args) == 0, succeeds);
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
