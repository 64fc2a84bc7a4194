#include "acefixture.h"

#include "acelistquery.h"
#include "acelistrow.h"
#include "analysislistrequest.h"
#include "jsonscript.h"

#include <QSqlRecord>

namespace {

AnalysisListRequest parse(const QString &args)
{
    JsonScript json;
    return AnalysisListRequest::parse(QStringLiteral("{\"id\": \"ACE_X\", \"name\": \"n\", \"args\": {%1}}").arg(args),
                                      json);
}

// Every record of the query on the fixture, or one empty record when it fails.
QList<ListRecord> records(const QString &args, int section = 8, Qt::SortOrder order = Qt::DescendingOrder)
{
    const AceListQuery ace(parse(args), section, order, kAceYear);
    if (ace.selectsNothing())
        return {};
    QSqlQuery query(mainDatabase());
    if (!ace.sql().exec(query))
        return {ListRecord()};
    QList<ListRecord> list;
    while (query.next()) {
        ListRecord record;
        for (int i = 0; i < query.record().count(); ++i)
            record << query.value(i);
        list << record;
    }
    return list;
}

QStringList uids(const QString &args, int section = 8, Qt::SortOrder order = Qt::DescendingOrder)
{
    QStringList list;
    for (const ListRecord &r : records(args, section, order))
        list << r.value(AceListQuery::ColUid).toString();
    return list;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

ListRecord recordOf(const QString &uid)
{
    for (const ListRecord &r : records(QString())) {
        if (r.value(AceListQuery::ColUid).toString() == uid)
            return r;
    }
    return ListRecord();
}

} // namespace

class TestAceListQuery : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        m_dir = openAceFixture();
        QVERIFY(m_dir);
    }

    void init() { clearUserLists(); }

    void marks_data()
    {
        // Year N's stocks and the term's completed/successful recommendations, then year
        // N+1's; a stock count below 0 leaves the year's row out.
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<int>("mark");
        QTest::newRow("3 stocks in N") << QList<int>{3, 4, 4, 4, 4, 4} << 0;
        QTest::newRow("no row of N") << QList<int>{-1, 0, 0, 5, 5, 5} << 0;
        QTest::newRow("80 and 80") << QList<int>{4, 5, 4, 4, 5, 4} << 8;
        QTest::newRow("80 and 79") << QList<int>{4, 5, 4, 4, 100, 79} << 7;
        QTest::newRow("80, none done in N+1") << QList<int>{4, 5, 4, 4, 0, 0} << 7;
        QTest::newRow("80, 3 stocks in N+1") << QList<int>{4, 5, 4, 3, 5, 0} << 8;
        QTest::newRow("80, no row of N+1") << QList<int>{4, 5, 4, -1, 0, 0} << 8;
        QTest::newRow("70 and 80") << QList<int>{5, 10, 7, 4, 10, 8} << 6;
        QTest::newRow("70 and 59.9") << QList<int>{5, 10, 7, 4, 1000, 599} << 4;
        QTest::newRow("60 and 60") << QList<int>{5, 10, 6, 4, 10, 6} << 5;
        QTest::newRow("70, none done in N+1") << QList<int>{5, 10, 7, 4, 0, 0} << 5;
        QTest::newRow("70, 2 stocks in N+1") << QList<int>{5, 10, 7, 2, 10, 0} << 5;
        QTest::newRow("59 and 60") << QList<int>{5, 100, 59, 4, 10, 6} << 3;
        QTest::newRow("59 and 59") << QList<int>{5, 100, 59, 4, 100, 59} << 2;
        QTest::newRow("none done in N, 60") << QList<int>{5, 0, 0, 4, 10, 6} << 3;
        QTest::newRow("59, 3 stocks in N+1") << QList<int>{5, 100, 59, 3, 10, 10} << 2;
    }

    void marks()
    {
        QFETCH(QList<int>, counts);
        QFETCH(int, mark);
        const int uid = 900;
        // Both terms get the same counts, so both marks follow the same rule.
        for (int i = 0; i < 2; ++i) {
            if (counts[3 * i] < 0)
                continue;
            const FixtureTerm term{counts[3 * i + 1], counts[3 * i + 2], 1, 1};
            QVERIFY(insertAce({uid, kAceYear + i, counts[3 * i], 1, term, term}));
        }
        const ListRecord r = recordOf(QString::number(uid));
        QVERIFY(execSql(QStringLiteral("delete from T_Ace where Anl_UID = ?"), {uid}));
        QCOMPARE(r.value(AceListQuery::ColMiddleMark).toInt(), mark);
        QCOMPARE(r.value(AceListQuery::ColShortMark).toInt(), mark);
    }

    void markLetters_data()
    {
        QTest::addColumn<int>("mark");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "-";
        QTest::newRow("1") << 1 << "C-";
        QTest::newRow("2") << 2 << "C";
        QTest::newRow("5") << 5 << "B";
        QTest::newRow("8") << 8 << "A";
        QTest::newRow("9") << 9 << "A+";
        QTest::newRow("10") << 10 << "-";
    }

    void markLetters()
    {
        QFETCH(int, mark);
        QFETCH(QString, text);
        QCOMPARE(aceMarkText(mark), text);
    }

    void yearsInJob_data()
    {
        QTest::addColumn<int>("months");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown") << 0 << "<1年";
        QTest::newRow("11") << 11 << "<1年";
        QTest::newRow("12") << 12 << "1~3年";
        QTest::newRow("35") << 35 << "1~3年";
        QTest::newRow("36") << 36 << ">3年";
    }

    void yearsInJob()
    {
        QFETCH(int, months);
        QFETCH(QString, text);
        QCOMPARE(yearsInJobText(months), text);
    }

    void ratesAndRises()
    {
        QCOMPARE(successRateText(2, 3), QStringLiteral("67%"));
        QCOMPARE(successRateTip(2, 3), QStringLiteral("完成：3次\n成功：2次"));
        QCOMPARE(successRateText(0, 0), QStringLiteral("-"));
        QCOMPARE(successRateTip(0, 0), QString());
        QCOMPARE(riseText(12.34, 1), QStringLiteral("12.3"));
        QCOMPARE(riseText(12.34, 0), QStringLiteral("-"));
    }

    void rowOfAKnownAnalyst()
    {
        const AceListRow r = AceListRow::fromRecord(recordOf("101"));
        QCOMPARE(r.name, QStringLiteral("张三"));
        QCOMPARE(r.id, QStringLiteral("1001"));
        QCOMPARE(r.years, QStringLiteral(">3年"));
        QCOMPARE(r.last.stocks, QStringLiteral("5"));
        QCOMPARE(r.current.ratings, QStringLiteral("6"));
        QCOMPARE(r.last.middleTerm.rate, QStringLiteral("80%"));
        QCOMPARE(r.last.middleTerm.avgRise, QStringLiteral("12.3"));
        QCOMPARE(r.current.shortTerm.rate, QStringLiteral("67%"));
        QCOMPARE(r.current.shortTerm.tip, QStringLiteral("完成：3次\n成功：2次"));
        QCOMPARE(r.middleMark, QStringLiteral("A"));
        QCOMPARE(r.shortMark, QStringLiteral("A-"));
    }

    void rowWithAMissingYearAndNoCacheEntry()
    {
        const AceListRow unknown = AceListRow::fromRecord(recordOf("104"));
        QCOMPARE(unknown.name, QString());
        QCOMPARE(unknown.id, QString());
        QCOMPARE(unknown.years, QStringLiteral("<1年"));
        QCOMPARE(unknown.current.stocks, QStringLiteral("0"));
        QCOMPARE(unknown.current.middleTerm.rate, QStringLiteral("-"));
        QCOMPARE(unknown.current.middleTerm.tip, QString());
        QCOMPARE(unknown.current.middleTerm.maxRise, QStringLiteral("-"));
        QCOMPARE(unknown.middleMark, QStringLiteral("-"));
        // The row of year N+1 is there, its short term has nothing done.
        const AceListRow r = AceListRow::fromRecord(recordOf("103"));
        QCOMPARE(r.current.middleTerm.rate, QStringLiteral("100%"));
        QCOMPARE(r.current.shortTerm.rate, QStringLiteral("-"));
        QCOMPARE(r.last.ratings, QStringLiteral("0"));
    }

    void oneRowPerAnalystOfTheNewestSet()
    {
        QCOMPARE(sorted(uids(QString())), QStringList({"101", "102", "103", "104", "106"}));
        // By the middle-term mark, then year N's middle-term rate (104's 0 before NULLs).
        QCOMPARE(uids(QString()).mid(0, 3), QStringList({"101", "102", "104"}));
    }

    void yearsSortReadsTheShownRecord()
    {
        // 102's shown record has 30 months; its other current record's 5 must not count.
        QCOMPARE(uids(QString(), 3, Qt::AscendingOrder).mid(2), QStringList({"103", "102", "101"}));
        QCOMPARE(uids(QStringLiteral("\"months\": 30")), QStringList({"101", "102"}));
        QCOMPARE(uids(QStringLiteral("\"months\": \"36\"")), QStringList({"101"}));
    }

    void filters_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("followedInst");
        QTest::addColumn<QString>("followedAnalysts");
        QTest::addColumn<QStringList>("expected");
        const QStringList everyone{"101", "102", "103", "104", "106"};
        QTest::newRow("inst") << "\"inst\": \"中信证券\"" << "" << "" << QStringList{"101", "102"};
        QTest::newRow("inst of another current record")
            << "\"inst\": \"国泰君安\"" << "" << "" << QStringList{};
        QTest::newRow("inst with a quote") << "\"inst\": \"O'Neil证券\"" << "" << "" << QStringList{"103"};
        QTest::newRow("ind is exact") << "\"ind\": \"银行\"" << "" << "" << QStringList{"101", "102"};
        QTest::newRow("ind with a wildcard") << "\"ind\": \"银行%\"" << "" << "" << QStringList{};
        QTest::newRow("anls") << "\"anls\": \"1001\"" << "" << "" << QStringList{"101"};
        QTest::newRow("anls of a second current record") << "\"anls\": \"1002\"" << "" << "" << QStringList{"102"};
        QTest::newRow("anls of an old record") << "\"anls\": \"1000\"" << "" << "" << QStringList{};
        QTest::newRow("anls injected") << "\"anls\": \"1001 or 1=1\"" << "" << "" << QStringList{};
        QTest::newRow("anls not digits") << "\"anls\": \"abc\"" << "" << "" << QStringList{};
        QTest::newRow("shortrate") << "\"shortrate\": 80" << "" << "" << QStringList{"102", "106"};
        QTest::newRow("middlerate") << "\"middlerate\": 80.9" << "" << "" << QStringList{"101", "103", "106"};
        QTest::newRow("rate not a number") << "\"middlerate\": \"x\"" << "" << "" << everyone;
        QTest::newRow("followed institutions") << "\"all\": \"INS\"" << "O'Neil证券,中信证券" << ""
                                               << QStringList{"101", "102", "103"};
        QTest::newRow("no followed institution") << "\"all\": \"INS\"" << "" << "" << everyone;
        QTest::newRow("followed analysts") << "\"all\": \"ANL\"" << "" << "104,102" << QStringList{"102"};
        QTest::newRow("followed analysts unknown") << "\"all\": \"ANL\"" << "" << "104,999" << QStringList{};
        QTest::newRow("no followed analyst") << "\"all\": \"ANL\"" << "" << "" << everyone;
        QTest::newRow("all lower case") << "\"all\": \"anl\"" << "" << "104" << everyone;
        QTest::newRow("two filters") << "\"inst\": \"中信证券\", \"months\": 36" << "" << "" << QStringList{"101"};
    }

    void filters()
    {
        QFETCH(QString, args);
        QFETCH(QString, followedInst);
        QFETCH(QString, followedAnalysts);
        QFETCH(QStringList, expected);
        setConcernedInstList(followedInst, false);
        setConcernedAnalystList(followedAnalysts, false);
        QCOMPARE(sorted(uids(args)), expected);
    }

    void sortKeys_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("clause");
        QTest::newRow("years") << 3 << " order by T_Analyst.Anl_Months  desc ";
        QTest::newRow("middle mark") << 8 << " order by aceMiddleMark  desc , LastYear_MiddleRate  desc ";
        QTest::newRow("short mark") << 15 << " order by aceShortMark  desc , LastYear_ShortRate  desc ";
        QTest::newRow("N+1 short max") << 21 << " order by ThisYear_Short_MaxRise  desc ";
        QTest::newRow("analyst") << 0 << " order by ThisYear_ShortRate  desc ";
    }

    void sortKeys()
    {
        QFETCH(int, section);
        QFETCH(QString, clause);
        QCOMPARE(AceListQuery::sortClause(section, Qt::DescendingOrder), clause);
    }

    void everySectionSorts()
    {
        for (int section = 3; section < 22; ++section)
            QVERIFY2(records(QString(), section).size() == 5, qPrintable(QString::number(section)));
    }
};

QTEST_MAIN(TestAceListQuery)
#include "tst_acelistquery.moc"
