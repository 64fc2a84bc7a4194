// Reading package rows: every value must read as the script engine reads it, bare values must be
// numbers (or null) before they reach SQL, and the names and times of packages read as the
// index expects.

#include "jsonscript.h"
#include "packageimport.h"
#include "packagerow.h"
#include "timetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

class TestPackageRow : public QObject
{
    Q_OBJECT

private slots:
    void sameAsScriptEngine_data();
    void sameAsScriptEngine();
    void numberTexts_data();
    void numberTexts();
    void bareValues_data();
    void bareValues();
    void keysRefuseNull();
    void packageTexts_data();
    void packageTexts();
    void times_data();
    void times();
    void kinds_data();
    void kinds();
    void baseNames_data();
    void baseNames();
    void monthlyYears_data();
    void monthlyYears();
};

void TestPackageRow::sameAsScriptEngine_data()
{
    QTest::addColumn<QString>("value");   // the JSON text of the member "v"
    QTest::newRow("string") << R"("O'Neil科技")";
    QTest::newRow("empty string") << R"("")";
    QTest::newRow("integer") << "120";
    QTest::newRow("fraction") << "0.35";
    QTest::newRow("negative") << "-12.5";
    QTest::newRow("negative zero") << "-0";
    QTest::newRow("exponent") << "1e21";
    QTest::newRow("big integer") << "12345678901234567890";
    QTest::newRow("tiny") << "1.5e-7";
    QTest::newRow("small") << "0.000001";
    QTest::newRow("float noise") << "0.30000000000000004";
    QTest::newRow("over int32") << "4294967297";
    QTest::newRow("int32 edge") << "2147483648";
    QTest::newRow("truncated") << "2.9";
    QTest::newRow("truncated negative") << "-2.9";
    QTest::newRow("null") << "null";
    QTest::newRow("true") << "true";
    QTest::newRow("false") << "false";
    QTest::newRow("array") << R"([1, null, [2, 3], "x", true])";
    QTest::newRow("one-element array") << "[5]";
    QTest::newRow("empty array") << "[]";
    QTest::newRow("object") << R"({"a": 1})";
    QTest::newRow("numeric text") << R"("2013")";
    QTest::newRow("padded text") << R"(" 12 ")";
    QTest::newRow("tab text") << R"("\t7\n")";
    QTest::newRow("hex text") << R"("0x1A")";
    QTest::newRow("signed hex text") << R"("-0x10")";
    QTest::newRow("exponent text") << R"("1e3")";
    QTest::newRow("fraction text") << R"(".5")";
    QTest::newRow("point text") << R"("5.")";
    QTest::newRow("plus text") << R"("+5")";
    QTest::newRow("Infinity text") << R"("Infinity")";
    QTest::newRow("garbage text") << R"("12abc")";
    QTest::newRow("injection text") << R"("1); DELETE FROM T_Report; --")";
    QTest::newRow("blank text") << R"("   ")";
    QTest::newRow("no-break space text") << R"("\u00a012")";
}

void TestPackageRow::sameAsScriptEngine()
{
    QFETCH(QString, value);
    const QString text = QStringLiteral(R"({"data":[{"v":%1}]})").arg(value);

    JsonScript script;
    const QScriptValue scriptRow = jsonElement(script.parse(text).property(QStringLiteral("data")), 0);
    QJsonArray rows;
    QVERIFY(readPackageRows(text.toUtf8(), &rows));
    QCOMPARE(rows.size(), 1);
    const PackageRow row(rows.at(0));

    QCOMPARE(row.text(QLatin1String("v")), jsonText(scriptRow, QStringLiteral("v")));
    QCOMPARE(row.integer(QLatin1String("v")), jsonInt(scriptRow, QStringLiteral("v")));
    QCOMPARE(row.text(QLatin1String("missing")), jsonText(scriptRow, QStringLiteral("missing")));
    QCOMPARE(row.integer(QLatin1String("missing")), jsonInt(scriptRow, QStringLiteral("missing")));
}

void TestPackageRow::numberTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("120") << 120.0 << "120";
    QTest::newRow("0.35") << 0.35 << "0.35";
    QTest::newRow("1e21") << 1e21 << "1e+21";
    QTest::newRow("1e20") << 1e20 << "100000000000000000000";
    QTest::newRow("1e-7") << 1e-7 << "1e-7";
    QTest::newRow("1.5e-6") << 1.5e-6 << "0.0000015";
    QTest::newRow("1.2345e25") << 1.2345e25 << "1.2345e+25";
    QTest::newRow("-0.5") << -0.5 << "-0.5";
    QTest::newRow("5e-324") << 5e-324 << "5e-324";
    QTest::newRow("max") << 1.7976931348623157e308 << "1.7976931348623157e+308";
    QTest::newRow("infinity") << qInf() << "Infinity";
}

void TestPackageRow::numberTexts()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(ecmaNumberText(value), text);
    QCOMPARE(ecmaNumberText(value), QScriptValue(value).toString());
}

void TestPackageRow::bareValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("integer") << "120" << true << QVariant(qlonglong(120));
    QTest::newRow("negative") << "-7" << true << QVariant(qlonglong(-7));
    QTest::newRow("fraction kept as text for SQLite") << "0.35" << true << QVariant(QStringLiteral("0.35"));
    QTest::newRow("exponent") << "1e+21" << true << QVariant(QStringLiteral("1e+21"));
    QTest::newRow("too big for 64 bits") << "99999999999999999999" << true
                                         << QVariant(QStringLiteral("99999999999999999999"));
    QTest::newRow("padded") << " 12 " << true << QVariant(qlonglong(12));
    QTest::newRow("null") << "null" << true << QVariant();
    QTest::newRow("true") << "true" << true << QVariant(qlonglong(1));
    QTest::newRow("false") << "false" << true << QVariant(qlonglong(0));
    QTest::newRow("empty") << "" << false << QVariant();
    QTest::newRow("or 1=1") << "0 or 1=1" << false << QVariant();
    QTest::newRow("statement") << "1); DELETE FROM T_Report; --" << false << QVariant();
    QTest::newRow("comment") << "5 --" << false << QVariant();
    QTest::newRow("hex") << "0x10" << false << QVariant();
    QTest::newRow("Infinity") << "Infinity" << false << QVariant();
    QTest::newRow("two numbers") << "1 2" << false << QVariant();
    QTest::newRow("lone point") << "." << false << QVariant();
    QTest::newRow("open exponent") << "1e" << false << QVariant();
}

void TestPackageRow::bareValues()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QVariant, value);
    const BareValue bare = bareValue(text);
    QCOMPARE(bare.valid, valid);
    if (valid) {
        QCOMPARE(bare.value.isNull(), value.isNull());
        if (!value.isNull())
            QCOMPARE(bare.value, value);
    }
}

void TestPackageRow::keysRefuseNull()
{
    QVERIFY(!bareKey(QStringLiteral("null")).valid);
    QVERIFY(!bareKey(QString()).valid);
    QCOMPARE(bareKey(QStringLiteral("10004584")).value, QVariant(qlonglong(10004584)));
}

void TestPackageRow::packageTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("rows");
    QTest::newRow("rows") << QByteArray(R"({"data":[{"id":1},{"id":2}]})") << true << 2;
    QTest::newRow("empty data") << QByteArray(R"({"data":[]})") << true << 0;
    QTest::newRow("no data") << QByteArray(R"({"res":1})") << true << 0;
    QTest::newRow("data not an array") << QByteArray(R"({"data":"abc"})") << true << 0;
    QTest::newRow("top-level number") << QByteArray("5") << true << 0;
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf{\"data\":[{\"id\":1}]}") << true << 1;
    QTest::newRow("up to the first NUL") << QByteArray("{\"data\":[{\"id\":1}]}\0garbage", 27) << true << 1;
    QTest::newRow("html") << QByteArray("<html><body><h1>502 Bad Gateway</h1></body></html>") << false << 0;
    QTest::newRow("cut short") << QByteArray(R"({"data":[{"id":1},{"id")") << false << 0;
    QTest::newRow("blanks") << QByteArray(64, ' ') << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
}

void TestPackageRow::packageTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, json);
    QFETCH(int, rows);
    QJsonArray read;
    QCOMPARE(readPackageRows(text, &read), json);
    QCOMPARE(read.size(), rows);
}

void TestPackageRow::times_data()
{
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<QString>("later");
    QTest::addColumn<bool>("isEarlier");
    QTest::newRow("a second") << "2017-01-09 15:00:00" << "2017-01-09 15:00:01" << true;
    QTest::newRow("equal") << "2017-01-09 15:00:00" << "2017-01-09 15:00:00" << false;
    QTest::newRow("later") << "2017-01-10 00:00:00" << "2017-01-09 23:59:59" << false;
    QTest::newRow("year change") << "2016-12-31 23:59:59" << "2017-01-01 00:00:00" << true;
    QTest::newRow("unreadable before readable") << "" << "2000-01-01 00:00:00" << true;
    QTest::newRow("readable not before unreadable") << "2000-01-01 00:00:00" << "garbage" << false;
    QTest::newRow("two unreadable are equal") << "x" << "y" << false;
    QTest::newRow("no such day") << "2017-02-30 00:00:00" << "2017-01-01 00:00:00" << true;
    QTest::newRow("no such hour") << "2017-01-09 24:00:00" << "2017-01-01 00:00:00" << true;
}

void TestPackageRow::times()
{
    QFETCH(QString, earlier);
    QFETCH(QString, later);
    QFETCH(bool, isEarlier);
    QCOMPARE(dateTimeKey(earlier) < dateTimeKey(later), isEarlier);
    // The same order as QDateTime's, which the stored texts were always compared with.
    const QDateTime a = QDateTime::fromString(earlier, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QDateTime b = QDateTime::fromString(later, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const bool qtEarlier = a.isValid() ? (b.isValid() && a < b) : b.isValid();
    QCOMPARE(dateTimeKey(earlier) < dateTimeKey(later), qtEarlier);
    QVERIFY(dateKey(QStringLiteral("2017-01-08")) < dateKey(QStringLiteral("2017-01-09")));
    QVERIFY(dateKey(QString()) < dateKey(QStringLiteral("1990-01-01")));
}

void TestPackageRow::kinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("RPTDEL") << "RPTDEL.DAT" << int(PackageKind::ReportDelete);
    QTest::newRow("RPTTDY") << "RPTTDY.DAT" << int(PackageKind::Report);
    QTest::newRow("RPTMTH") << "RPTMTH201601.DAT" << int(PackageKind::Report);
    QTest::newRow("RATDEL is a rating package") << "RATDEL.DAT" << int(PackageKind::Rating);
    QTest::newRow("ESTDEL") << "ESTDEL.DAT" << int(PackageKind::EstimateDelete);
    QTest::newRow("EST") << "ESTTDY.DAT" << int(PackageKind::Estimate);
    QTest::newRow("MTX") << "MTX.DAT" << int(PackageKind::Matrix);
    QTest::newRow("FIN") << "FIN.DAT" << int(PackageKind::Finance);
    QTest::newRow("CNS") << "CNS.DAT" << int(PackageKind::Consensus);
    QTest::newRow("ACE") << "ACE.DAT" << int(PackageKind::Ace);
    QTest::newRow("RCM") << "RCM.DAT" << int(PackageKind::Recommend);
    QTest::newRow("STK") << "STK.DAT" << int(PackageKind::Stock);
    QTest::newRow("ANLDEL") << "ANLDEL.DAT" << int(PackageKind::AnalystDelete);
    QTest::newRow("ANL") << "ANL.DAT" << int(PackageKind::Analyst);
    QTest::newRow("lower case") << "rpt.DAT" << int(PackageKind::Unknown);
    QTest::newRow("other") << "XYZ.DAT" << int(PackageKind::Unknown);
}

void TestPackageRow::kinds()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(int(packageKind(name)), kind);
}

void TestPackageRow::baseNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "RPTTDY.DAT" << "RPTTDY";
    QTest::newRow("underscore") << "RPTTDY_2.DAT" << "RPTTDY";
    QTest::newRow("underscore after the dot") << "RPT.A_B" << "RPT";
    QTest::newRow("no dot") << "RPTTDY_7" << "RPTTDY";
    QTest::newRow("two dots") << "STK.DAT.OLD" << "STK";
}

void TestPackageRow::baseNames()
{
    QFETCH(QString, name);
    QFETCH(QString, base);
    QCOMPARE(packageBaseName(name), base);
}

void TestPackageRow::monthlyYears_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("year");
    QTest::addColumn<bool>("skipped");   // with a first data year of 2012
    QTest::newRow("2011") << "RPTMTH201112" << 2011 << true;
    QTest::newRow("2012") << "RPTMTH201201" << 2012 << false;
    QTest::newRow("2013") << "ESTMTH2013" << 2013 << false;
    QTest::newRow("letters") << "RPTMTHABCD" << 0 << false;
    QTest::newRow("at the end") << "RPTMTH" << 0 << false;
    QTest::newRow("three digits") << "RPTMTH201" << 201 << true;
    QTest::newRow("not monthly") << "RPTTDY" << 0 << false;
}

void TestPackageRow::monthlyYears()
{
    QFETCH(QString, base);
    QFETCH(int, year);
    QFETCH(bool, skipped);
    QCOMPARE(monthlyPackageYear(base), year);
    QCOMPARE(isSkippedMonthlyPackage(base, 2012), skipped);
}

QTEST_GUILESS_MAIN(TestPackageRow)
#include "tst_packagerow.moc"
