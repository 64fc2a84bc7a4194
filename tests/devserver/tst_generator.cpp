// The sample-data generator: determinism, the manifest's counts against an import of its own,
// the JSON types the importers expect, and the coverage the client's lists need.

#include "devserver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonArray rowsOf(const QString &dir, const QString &name)
{
    QFile file(dir + QStringLiteral("/dat/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonArray();
    return QJsonDocument::fromJson(qUncompress(file.readAll())).object().value(QLatin1String("data")).toArray();
}

QJsonObject manifestOf(const QString &dir)
{
    QFile file(dir + QStringLiteral("/manifest.json"));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString baseName(const QString &name)
{
    return name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('_'), 0, 0);
}

bool skippedBefore2012(const QString &name)
{
    const QString base = baseName(name);
    const int at = base.indexOf(QLatin1String("MTH"));
    if (at < 0)
        return false;
    bool ok = false;
    const int year = base.mid(at + 3, 4).toInt(&ok);
    return ok && year != 0 && year < 2012;
}

// "pr" is read as text and "0" when empty; a number or a numeric text both read the same.
qint64 previousOf(const QJsonValue &v)
{
    return v.isDouble() ? qint64(v.toDouble()) : v.toString().toLongLong();
}

QString text(const QJsonValue &v)
{
    return v.isDouble() ? QString::number(qint64(v.toDouble())) : v.toString();
}

} // namespace

class TestGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void deterministic();
    void manifestMatchesAnImport();
    void rowTypes_data();
    void rowTypes();
    void dataCoversTheLists();
    void awardedAnalystsExist_data();
    void awardedAnalystsExist();
    void missingAwardTable();
    void badCommandLines_data();
    void badCommandLines();

private:
    int run(const QStringList &args, QByteArray *errors = nullptr);
    bool generate(const QString &dir, const QString &seed, const QString &awards);
    QString awards() const { return qEnvironmentVariable("TAMREL_SOURCE_DIR") + QStringLiteral("/devserver/testdata/xcf.ini"); }

    QTemporaryDir m_tmp;
    QString m_data;
};

int TestGenerator::run(const QStringList &args, QByteArray *errors)
{
    QProcess p;
    p.start(DevServer::programPath(), args);
    if (!p.waitForFinished(120000))
        return -1;
    if (errors)
        *errors = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool TestGenerator::generate(const QString &dir, const QString &seed, const QString &awardsFile)
{
    return run({QStringLiteral("generate"), QStringLiteral("--size"), QStringLiteral("small"), QStringLiteral("--seed"), seed,
                QStringLiteral("--out"), dir, QStringLiteral("--awards"), awardsFile}) == 0;
}

void TestGenerator::initTestCase()
{
    QVERIFY(!DevServer::programPath().isEmpty());
    QVERIFY(m_tmp.isValid());
    m_data = m_tmp.filePath(QStringLiteral("a"));
    QVERIFY(generate(m_data, QStringLiteral("5"), awards()));
}

void TestGenerator::deterministic()
{
    const QString again = m_tmp.filePath(QStringLiteral("b"));
    QVERIFY(generate(again, QStringLiteral("5"), awards()));
    QStringList files = {QStringLiteral("manifest.json"), QStringLiteral("accounts.json"), QStringLiteral("stocks.tsv"),
                         QStringLiteral("reports.tsv")};
    for (const QString &name : QDir(m_data + QStringLiteral("/dat")).entryList(QDir::Files))
        files.append(QStringLiteral("dat/") + name);
    QVERIFY(files.size() > 100);
    for (const QString &name : qAsConst(files)) {
        QFile a(m_data + QLatin1Char('/') + name), b(again + QLatin1Char('/') + name);
        QVERIFY2(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly), qPrintable(name));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
    }
    const QString other = m_tmp.filePath(QStringLiteral("c"));
    QVERIFY(generate(other, QStringLiteral("6"), awards()));
    QVERIFY(rowsOf(other, QStringLiteral("STK.DAT")) != rowsOf(m_data, QStringLiteral("STK.DAT")));
}

// An import written for this test from the importers' rules (upserts by key, deletes, the
// rating key of publish date, stock and institution, the analyst current mark), with bound values.
void TestGenerator::manifestMatchesAnImport()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("import"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open());
    {
        QSqlQuery q(db);
        const QStringList schema = {
            QStringLiteral("create table T_Data (Dat_Name primary key, Dat_DtModify)"),
            QStringLiteral("create table T_Stock (Stk_Code primary key)"),
            QStringLiteral("create table T_Matrix (Stk_Code primary key)"),
            QStringLiteral("create table T_Analyst (Anl_ID integer primary key, Anl_UID, Anl_New)"),
            QStringLiteral("create table T_Report (Rpt_ID integer primary key, Rpt_DtEntry)"),
            QStringLiteral("create table T_Rating (Rpt_ID integer primary key, Rpt_DtPublish, Stk_Code, Ins_Name, Rat_DtModify, Rpt_ID_Pre, Rat_New)"),
            QStringLiteral("create index R on T_Rating (Rpt_DtPublish, Stk_Code, Ins_Name)"),
            QStringLiteral("create table T_Estimate (Rpt_ID, Est_Period, primary key (Rpt_ID, Est_Period))"),
            QStringLiteral("create table T_Finance (Stk_Code, Fin_Date, primary key (Stk_Code, Fin_Date))"),
            QStringLiteral("create table T_Consensus (Stk_Code, Cns_Type, primary key (Stk_Code, Cns_Type))"),
            QStringLiteral("create table T_Ace (Anl_UID, Ace_Year, primary key (Anl_UID, Ace_Year))"),
            QStringLiteral("create table T_Recommend (Rpt_ID integer primary key)"),
        };
        for (const QString &s : schema)
            QVERIFY2(q.exec(s), qPrintable(q.lastError().text()));
        auto exec = [&](const QString &sql, const QVariantList &values) {
            q.prepare(sql);
            for (const QVariant &v : values)
                q.addBindValue(v);
            return q.exec();
        };
        db.transaction();
        const QJsonArray index = QJsonDocument::fromJson(qUncompress([&] {
                                     QFile f(m_data + QStringLiteral("/dat/IDX.DAT"));
                                     f.open(QIODevice::ReadOnly);
                                     return f.readAll();
                                 }())).object().value(QLatin1String("data")).toArray();
        QVERIFY(!index.isEmpty());
        for (const QJsonValue &entry : index) {
            const QString name = entry.toObject().value(QLatin1String("dt")).toString();
            if (skippedBefore2012(name))
                continue;
            for (const QJsonValue &v : rowsOf(m_data, name)) {
                const QJsonObject r = v.toObject();
                const QVariant id = text(r.value(QLatin1String("id")));
                if (name.startsWith(QLatin1String("RPTDEL"))) {
                    exec(QStringLiteral("delete from T_Report where Rpt_ID = ?"), {id});
                    exec(QStringLiteral("delete from T_Rating where Rpt_ID = ?"), {id});
                } else if (name.startsWith(QLatin1String("RPT"))) {
                    exec(QStringLiteral("insert or ignore into T_Report values (?, ?)"), {id, r.value(QLatin1String("tE")).toString()});
                } else if (name.startsWith(QLatin1String("RAT"))) {
                    const QVariantList key = {r.value(QLatin1String("dP")).toString(), r.value(QLatin1String("cd")).toString(),
                                              r.value(QLatin1String("is")).toString()};
                    const qint64 pr = previousOf(r.value(QLatin1String("pr")));
                    const int nw = r.value(QLatin1String("nw")).toInt();
                    const QString tM = r.value(QLatin1String("tM")).toString();
                    exec(QStringLiteral("select Rat_DtModify, Rpt_ID_Pre, Rat_New from T_Rating where Rpt_DtPublish = ? and Stk_Code = ? and Ins_Name = ?"), key);
                    if (q.next()) {
                        const bool update = q.value(0).toString() < tM || q.value(1).toLongLong() != pr
                                            || (q.value(2).toInt() != nw && nw == 0);
                        if (update) {
                            exec(QStringLiteral("update T_Rating set Rpt_ID = ?, Rat_DtModify = ?, Rpt_ID_Pre = ?, Rat_New = ? "
                                                "where Rpt_DtPublish = ? and Stk_Code = ? and Ins_Name = ?"),
                                 QVariantList{id, tM, pr, nw} + key);
                        }
                    } else {
                        exec(QStringLiteral("delete from T_Rating where Rpt_ID = ? and (Rpt_DtPublish != ? or Stk_Code != ? or Ins_Name != ?)"),
                             QVariantList{id} + key);
                        exec(QStringLiteral("insert into T_Rating values (?, ?, ?, ?, ?, ?, ?)"), QVariantList{id} + key + QVariantList{tM, pr, nw});
                    }
                } else if (name.startsWith(QLatin1String("ESTDEL"))) {
                    exec(QStringLiteral("delete from T_Estimate where Rpt_ID = ? and Est_Period = ?"), {id, r.value(QLatin1String("pr")).toString()});
                } else if (name.startsWith(QLatin1String("EST"))) {
                    exec(QStringLiteral("insert or ignore into T_Estimate values (?, ?)"), {id, r.value(QLatin1String("pr")).toString()});
                } else if (name.startsWith(QLatin1String("MTX"))) {
                    exec(QStringLiteral("insert or ignore into T_Matrix values (?)"), {r.value(QLatin1String("cd")).toString()});
                } else if (name.startsWith(QLatin1String("FIN"))) {
                    exec(QStringLiteral("insert or ignore into T_Finance values (?, ?)"), {r.value(QLatin1String("cd")).toString(), r.value(QLatin1String("dt")).toString()});
                } else if (name.startsWith(QLatin1String("CNS"))) {
                    exec(QStringLiteral("insert or ignore into T_Consensus values (?, ?)"), {r.value(QLatin1String("cd")).toString(), r.value(QLatin1String("tp")).toString()});
                } else if (name.startsWith(QLatin1String("ACE"))) {
                    exec(QStringLiteral("insert or ignore into T_Ace values (?, ?)"), {text(r.value(QLatin1String("uid"))), r.value(QLatin1String("yr")).toInt()});
                } else if (name.startsWith(QLatin1String("RCM"))) {
                    if (r.value(QLatin1String("vl")).toInt() < 1)
                        exec(QStringLiteral("delete from T_Recommend where Rpt_ID = ?"), {id});
                    else
                        exec(QStringLiteral("insert or ignore into T_Recommend values (?)"), {id});
                } else if (name.startsWith(QLatin1String("STK"))) {
                    exec(QStringLiteral("insert or ignore into T_Stock values (?)"), {r.value(QLatin1String("cd")).toString()});
                } else if (name.startsWith(QLatin1String("ANLDEL"))) {
                    exec(QStringLiteral("delete from T_Analyst where Anl_ID = ?"), {id});
                } else if (name.startsWith(QLatin1String("ANL"))) {
                    const QVariant uid = text(r.value(QLatin1String("ui")));
                    const int nw = r.value(QLatin1String("nw")).toInt();
                    if (exec(QStringLiteral("insert or ignore into T_Analyst values (?, ?, ?)"), {id, uid, nw}) && q.numRowsAffected() == 1 && nw == 1)
                        exec(QStringLiteral("update T_Analyst set Anl_New = 0 where Anl_UID = ? and Anl_ID != ? and Anl_New = 1"), {uid, id});
                }
            }
            exec(QStringLiteral("insert or replace into T_Data values (?, ?)"), {baseName(name), entry.toObject().value(QLatin1String("tM")).toString()});
        }
        db.commit();

        const QJsonObject manifest = manifestOf(m_data);
        const QJsonObject tables = manifest.value(QLatin1String("tables")).toObject();
        QCOMPARE(tables.size(), 11);
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            QVERIFY(q.exec(QStringLiteral("select count(*) from ") + it.key()) && q.next());
            QVERIFY2(it.value().toInt() > 0, qPrintable(it.key()));
            QCOMPARE(q.value(0).toInt(), it.value().toInt());
        }
        const QJsonObject facts = manifest.value(QLatin1String("facts")).toObject();
        QVERIFY(q.exec(QStringLiteral("select max(Rpt_DtEntry) from T_Report")) && q.next());
        QCOMPARE(q.value(0).toString(), facts.value(QLatin1String("newestEntry")).toString());
        QVERIFY(q.exec(QStringLiteral("select count(distinct Anl_UID) from T_Analyst where Anl_New = 1")) && q.next());
        QCOMPARE(q.value(0).toInt(), facts.value(QLatin1String("analystsCurrent")).toInt());
        QVERIFY(q.exec(QStringLiteral("select count(*) from (select Anl_UID from T_Analyst group by Anl_UID having sum(Anl_New) != 1)")) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);   // every person ends with exactly one current record
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("import"));
}

void TestGenerator::rowTypes_data()
{
    // s: string, n: number, N: number or null, p: number or empty string
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("types");
    QTest::newRow("RPT") << QStringLiteral("RPTTDY.DAT") << QStringLiteral("id:n cd:s im:n ex:n in:s sc:s is:s an:s tt:s dP:s pg:n tE:s ty:s tM:s ms:n");
    QTest::newRow("RAT") << QStringLiteral("RATTDY.DAT") << QStringLiteral("cd:s is:s an:s dP:s rc:s sc:n ac:s pP:n pF:n pL:N pU:N fs:N fm:N nw:n id:n pr:p tE:s tM:s");
    QTest::newRow("EST") << QStringLiteral("ESTTDY.DAT") << QStringLiteral("id:n pr:s cd:s np:n tM:s");
    QTest::newRow("FIN") << QStringLiteral("FIN.DAT") << QStringLiteral("cd:s dt:s blc3010:n prf30:n prf5010:n tM:s");
    QTest::newRow("CNS") << QStringLiteral("CNS.DAT") << QStringLiteral("cd:s tp:s ic:n uc:n nc:n bc:n rc:n sr:N mr:N pL:N pU:N p1:n p2:n p3:n cn:N dt:s tM:s");
    QTest::newRow("MTX") << QStringLiteral("MTX.DAT") << QStringLiteral("cd:s mx:n opgttm:n cagrlast:n pre:s dt:s tM:s");
    QTest::newRow("ACE") << QStringLiteral("ACE.DAT") << QStringLiteral("uid:n yr:n st:n rc:n sc:n ss:n sx:N si:N sa:N mc:n ms:n mx:N mi:N ma:N dt:s tM:s");
    QTest::newRow("STK") << QStringLiteral("STK.DAT") << QStringLiteral("cd:s nm:s sp:s qt:n pD:s pC:n pG:n pF:n sh:n in:s pN:n pM:s b3010ttm:n p5010ttm:n tM:s");
    QTest::newRow("RCM") << QStringLiteral("RCM.DAT") << QStringLiteral("id:n vl:n tA:s tM:s");
    QTest::newRow("ANL") << QStringLiteral("ANL.DAT") << QStringLiteral("id:n nm:s is:s in:s mn:n ui:n nw:n dt:s tM:s");
    QTest::newRow("RPTDEL") << QStringLiteral("RPTDEL.DAT") << QStringLiteral("id:n");
    QTest::newRow("ESTDEL") << QStringLiteral("ESTDEL.DAT") << QStringLiteral("id:n pr:s");
    QTest::newRow("ANLDEL") << QStringLiteral("ANLDEL.DAT") << QStringLiteral("id:n");
}

void TestGenerator::rowTypes()
{
    QFETCH(QString, package);
    QFETCH(QString, types);
    const QJsonArray rows = rowsOf(m_data, package);
    QVERIFY(!rows.isEmpty());
    static const QRegularExpression dateTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    static const QRegularExpression date(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d$"));
    for (const QJsonValue &v : rows) {
        const QJsonObject r = v.toObject();
        for (const QString &typeEntry : types.split(QLatin1Char(' '))) {
            const QString key = typeEntry.section(QLatin1Char(':'), 0, 0);
            const QChar type = typeEntry.at(typeEntry.size() - 1);
            const QJsonValue value = r.value(key);
            bool ok = false;
            if (type == QLatin1Char('s'))
                ok = value.isString();
            else if (type == QLatin1Char('n'))
                ok = value.isDouble();
            else if (type == QLatin1Char('N'))
                ok = value.isDouble() || value.isNull();
            else
                ok = value.isDouble() || value.toString().isEmpty();
            QVERIFY2(ok, qPrintable(package + QLatin1Char(' ') + key + QLatin1Char(' ') + QJsonDocument(r).toJson(QJsonDocument::Compact)));
            if (key == QLatin1String("tM") || key == QLatin1String("tE") || key == QLatin1String("tA") || key == QLatin1String("pM"))
                QVERIFY2(dateTime.match(value.toString()).hasMatch(), qPrintable(value.toString()));
            if (key == QLatin1String("dP") || key == QLatin1String("dt") || key == QLatin1String("pD"))
                QVERIFY2(date.match(value.toString()).hasMatch(), qPrintable(value.toString()));
        }
    }
}

void TestGenerator::dataCoversTheLists()
{
    const QJsonObject facts = manifestOf(m_data).value(QLatin1String("facts")).toObject();
    const QString today = facts.value(QLatin1String("today")).toString();
    const QString from = QDate::fromString(today, QStringLiteral("yyyy-MM-dd")).addMonths(-24).toString(QStringLiteral("yyyy-MM-dd"));
    QSet<QString> codes, institutions, actions, bankReports;
    QSet<int> scores;
    bool quote = false, backslash = false, apostrophe = false, notPdf = false, important = false;
    static const QRegularExpression analystList(QStringLiteral("^[^\\[\\],]+\\[\\d{1,4}\\](,[^\\[\\],]+\\[\\d{1,4}\\])*$"));
    const QStringList banks = {QStringLiteral("高盛"), QStringLiteral("瑞信"), QStringLiteral("瑞银"), QStringLiteral("摩根"),
                               QStringLiteral("美银"), QStringLiteral("花旗"), QStringLiteral("汇丰"), QStringLiteral("巴克莱"),
                               QStringLiteral("德意志银行"), QStringLiteral("野村")};
    for (const QString &name : QDir(m_data + QStringLiteral("/dat")).entryList({QStringLiteral("RPTMTH*"), QStringLiteral("RPTTDY*")})) {
        for (const QJsonValue &v : rowsOf(m_data, name)) {
            const QJsonObject r = v.toObject();
            const QString title = r.value(QLatin1String("tt")).toString();
            quote = quote || title.contains(QLatin1String("&quot;"));
            backslash = backslash || title.contains(QLatin1String("&#92;"));
            apostrophe = apostrophe || title.contains(QLatin1Char('\''));
            QVERIFY2(!title.contains(QLatin1Char('"')) && !title.contains(QLatin1Char('\\')), qPrintable(title));
            QVERIFY2(analystList.match(r.value(QLatin1String("an")).toString()).hasMatch(), qPrintable(r.value(QLatin1String("an")).toString()));
            notPdf = notPdf || r.value(QLatin1String("ty")).toString() != QLatin1String("PDF");
            important = important || r.value(QLatin1String("im")).toInt() == 1;
            if (r.value(QLatin1String("dP")).toString() >= from)
                codes.insert(r.value(QLatin1String("cd")).toString());
            const QString stock = r.value(QLatin1String("sc")).toString();
            QCOMPARE(stock.isEmpty(), r.value(QLatin1String("cd")).toString() != QLatin1String("STK.COM@CN"));
            for (const QString &bank : banks) {
                if (r.value(QLatin1String("is")).toString().startsWith(bank))
                    bankReports.insert(bank);
            }
        }
    }
    // Every category of the client's configuration within the default 24-month window.
    QCOMPARE(codes.size(), 19);
    QVERIFY(quote && backslash && apostrophe && notPdf && important);
    QVERIFY(bankReports.size() >= 3);

    static const QRegularExpression stockCode(QStringLiteral("^(600|601|603|000|001|002|300)\\d{3}\\.(SH|SZ)$"));
    const QStringList industries = {
        QStringLiteral("煤炭"), QStringLiteral("石油化工"), QStringLiteral("钢铁"), QStringLiteral("有色金属"), QStringLiteral("建筑材料"),
        QStringLiteral("机械"), QStringLiteral("电气设备"), QStringLiteral("轻工印刷"), QStringLiteral("建筑工程"), QStringLiteral("交通运输"),
        QStringLiteral("批发零售"), QStringLiteral("汽车及零部件"), QStringLiteral("家电"), QStringLiteral("纺织服装"), QStringLiteral("旅游休闲"),
        QStringLiteral("文化传播"), QStringLiteral("农林牧渔"), QStringLiteral("食品饮料"), QStringLiteral("医药生物"), QStringLiteral("金融"),
        QStringLiteral("地产"), QStringLiteral("计算机"), QStringLiteral("电子"), QStringLiteral("通信"), QStringLiteral("公用事业")};
    QSet<QString> prefixes, usedIndustries;
    int quit = 0;
    for (const QJsonValue &v : rowsOf(m_data, QStringLiteral("STK.DAT"))) {
        const QJsonObject s = v.toObject();
        const QString code = s.value(QLatin1String("cd")).toString();
        QVERIFY2(stockCode.match(code).hasMatch(), qPrintable(code));
        QCOMPARE(code.endsWith(QLatin1String(".SH")), code.startsWith(QLatin1Char('6')));
        prefixes.insert(code.left(3));
        const QString industry = s.value(QLatin1String("in")).toString().section(QLatin1Char(','), 0, 0);
        QVERIFY2(industries.contains(industry), qPrintable(industry));
        usedIndustries.insert(industry);
        QVERIFY(!s.value(QLatin1String("nm")).toString().isEmpty() && !s.value(QLatin1String("sp")).toString().isEmpty());
        quit += s.value(QLatin1String("qt")).toInt();
    }
    QVERIFY(prefixes.size() >= 6);
    QVERIFY(usedIndustries.size() >= 20);
    QVERIFY(quit > 0);

    for (const QString &name : QDir(m_data + QStringLiteral("/dat")).entryList({QStringLiteral("RAT*")})) {
        for (const QJsonValue &v : rowsOf(m_data, name)) {
            actions.insert(v.toObject().value(QLatin1String("ac")).toString());
            scores.insert(v.toObject().value(QLatin1String("sc")).toInt());
            institutions.insert(v.toObject().value(QLatin1String("is")).toString());
        }
    }
    QCOMPARE(actions, (QSet<QString>{QStringLiteral("I"), QStringLiteral("U"), QStringLiteral("M"), QStringLiteral("D")}));
    QCOMPARE(scores, (QSet<int>{1, 2, 3, 4, 5}));

    // Today's data raises the client's notices: messages, rating alerts and block tips.
    int messages = 0;
    for (const QJsonValue &v : rowsOf(m_data, QStringLiteral("RPTTDY.DAT")))
        messages += v.toObject().value(QLatin1String("ms")).toInt();
    QVERIFY(messages > 0);
    QSet<QString> alerts;
    for (const QJsonValue &v : rowsOf(m_data, QStringLiteral("RATTDY.DAT"))) {
        if (v.toObject().value(QLatin1String("nw")).toInt() == 1)
            alerts.insert(v.toObject().value(QLatin1String("ac")).toString());
    }
    QVERIFY(alerts.contains(QStringLiteral("I")) && alerts.contains(QStringLiteral("U")));
    QVERIFY(!facts.value(QLatin1String("todayBlockStocks")).toArray().isEmpty());

    // Analysts who changed institution: two records of one person.
    QHash<qint64, QSet<QString>> institutionsOf;
    for (const QJsonValue &v : rowsOf(m_data, QStringLiteral("ANL.DAT"))) {
        const QJsonObject a = v.toObject();
        QVERIFY(a.value(QLatin1String("id")).toInt() >= 1 && a.value(QLatin1String("id")).toInt() <= 9999);
        institutionsOf[qint64(a.value(QLatin1String("ui")).toDouble())].insert(a.value(QLatin1String("is")).toString());
    }
    int movers = 0;
    for (const auto &set : qAsConst(institutionsOf))
        movers += set.size() > 1;
    QVERIFY(movers > 0);
}

void TestGenerator::awardedAnalystsExist_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("data");
    QTest::newRow("test copy") << awards() << m_data;
    // The client's own table and the data set that the build makes for every network test.
    QTest::newRow("resources") << qEnvironmentVariable("TAMREL_SOURCE_DIR") + QStringLiteral("/resources/xcf.ini")
                               << DevServer::defaultDataDir();
}

void TestGenerator::awardedAnalystsExist()
{
    QFETCH(QString, table);
    QFETCH(QString, data);
    if (!QFile::exists(table))
        QSKIP("no award table in the source tree");
    QSettings ini(table, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    QHash<int, QPair<QString, QString>> awarded;   // id -> name, institution (the latest year wins)
    QStringList years = ini.childGroups();
    years.sort();
    for (const QString &year : years) {
        ini.beginGroup(year);
        for (const QString &key : ini.childKeys()) {
            const QJsonObject cat = QJsonDocument::fromJson(ini.value(key).toString().toUtf8()).object();
            for (const QJsonValue &inst : cat.value(QLatin1String("insts")).toArray()) {
                for (const QString &part : inst.toObject().value(QLatin1String("anls")).toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                    const int id = part.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0).toInt();
                    awarded.insert(id, {part.section(QLatin1Char('['), 0, 0), inst.toObject().value(QLatin1String("inst")).toString()});
                }
            }
        }
        ini.endGroup();
    }
    QVERIFY(awarded.size() > 20);
    QHash<int, QJsonObject> analysts;
    for (const QJsonValue &v : rowsOf(data, QStringLiteral("ANL.DAT")))
        analysts.insert(v.toObject().value(QLatin1String("id")).toInt(), v.toObject());
    for (auto it = awarded.begin(); it != awarded.end(); ++it) {
        QVERIFY2(analysts.contains(it.key()), qPrintable(QString::number(it.key())));
        const QJsonObject a = analysts.value(it.key());
        QCOMPARE(a.value(QLatin1String("nm")).toString(), it.value().first);
        QCOMPARE(a.value(QLatin1String("is")).toString(), it.value().second);
        QCOMPARE(a.value(QLatin1String("nw")).toInt(), 1);
    }
    for (const QJsonValue &v : rowsOf(data, QStringLiteral("ANLDEL.DAT")))
        QVERIFY(!awarded.contains(v.toObject().value(QLatin1String("id")).toInt()));
    QCOMPARE(manifestOf(data).value(QLatin1String("facts")).toObject().value(QLatin1String("awardedAnalysts")).toInt(), awarded.size());
}

void TestGenerator::missingAwardTable()
{
    const QString dir = m_tmp.filePath(QStringLiteral("noawards"));
    QByteArray errors;
    QCOMPARE(run({QStringLiteral("generate"), QStringLiteral("--size"), QStringLiteral("small"), QStringLiteral("--seed"),
                  QStringLiteral("5"), QStringLiteral("--out"), dir, QStringLiteral("--awards"), m_tmp.filePath(QStringLiteral("none.ini"))},
                 &errors),
             0);
    QVERIFY2(errors.contains("without awarded analysts"), errors.constData());
    const QJsonObject manifest = manifestOf(dir);
    QCOMPARE(manifest.value(QLatin1String("facts")).toObject().value(QLatin1String("awardedAnalysts")).toInt(), 0);
    QVERIFY(manifest.value(QLatin1String("tables")).toObject().value(QLatin1String("T_Analyst")).toInt() > 300);
}

void TestGenerator::badCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList();
    QTest::newRow("unknown size") << QStringList{QStringLiteral("generate"), QStringLiteral("--size"), QStringLiteral("huge"),
                                                 QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("--out"), QStringLiteral("x")};
    QTest::newRow("no seed") << QStringList{QStringLiteral("generate"), QStringLiteral("--out"), QStringLiteral("x")};
    QTest::newRow("serve without data") << QStringList{QStringLiteral("serve")};
    QTest::newRow("serve an empty folder") << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), QStringLiteral("/nonexistent")};
    QTest::newRow("bad port") << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), QStringLiteral("x"),
                                             QStringLiteral("--object-port"), QStringLiteral("70000")};
    QTest::newRow("unknown fault") << QStringList{QStringLiteral("serve"), QStringLiteral("--data"), QStringLiteral("x"),
                                                  QStringLiteral("--fault"), QStringLiteral("nope")};
}

void TestGenerator::badCommandLines()
{
    QFETCH(QStringList, args);
    for (QString &a : args) {
        if (a == QLatin1String("x"))
            a = m_data;
    }
    QVERIFY(run(args) != 0);
}

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
