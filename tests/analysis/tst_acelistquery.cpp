#include "acefixture.h"

#include "acelistquery.h"
#include "acelistrow.h"

namespace {

// Every record of the ranking on the fixture.
QList<ListRecord> records(const QString &args, int section = 8, Qt::SortOrder order = Qt::DescendingOrder)
{
    const AceListQuery ace(parseRequest(args, "ACE_X"), section, order, kAceYear);
    return ace.selectsNothing() ? QList<ListRecord>() : recordsOf(ace.sql());
}

QStringList uids(const QString &args, int section = 8, Qt::SortOrder order = Qt::DescendingOrder)
{
    return columnOf(records(args, section, order), AceListQuery::ColUid);
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

AceListRow rowOf(const QString &uid)
{
    for (const ListRecord &r : records(QString())) {
        if (r.value(AceListQuery::ColUid).toString() == uid)
            return AceListRow::fromRecord(r);
    }
    return AceListRow();
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
            const FixtureTerm term{counts[3 * i + 1], counts[3 * i + 2], 1, 1};
            QVERIFY(counts[3 * i] < 0 || insertAce(uid, kAceYear + i, counts[3 * i], 1, term, term));
        }
        const QList<ListRecord> all = records(QString());
        const ListRecord r = all.value(columnOf(all).indexOf("900"));
        QVERIFY(execSql(QStringLiteral("delete from T_Ace where Anl_UID = ?"), {uid}));
        QCOMPARE(r.value(AceListQuery::ColMiddleMark).toInt(), mark);
        QCOMPARE(r.value(AceListQuery::ColShortMark).toInt(), mark);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        const QList<QPair<int, QString>> marks = {{0, "-"}, {1, "C-"}, {2, "C"}, {5, "B"}, {8, "A"}, {9, "A+"}, {10, "-"}};
        for (const auto &m : marks)
            QTest::addRow("mark %d", m.first) << aceMarkText(m.first) << m.second;
        const QList<QPair<int, QString>> years = {{0, "<1年"}, {11, "<1年"}, {12, "1~3年"}, {35, "1~3年"}, {36, ">3年"}};
        for (const auto &y : years)
            QTest::addRow("%d months", y.first) << yearsInJobText(y.first) << y.second;
        QTest::newRow("rate") << successRateText(2, 3) << "67%";
        QTest::newRow("rate tip") << successRateTip(2, 3) << "完成：3次\n成功：2次";
        QTest::newRow("no rate") << successRateText(0, 0) << "-";
        QTest::newRow("no rate tip") << successRateTip(0, 0) << "";
        QTest::newRow("rise") << riseText(12.34, 1) << "12.3";
        QTest::newRow("rise of none done") << riseText(12.34, 0) << "-";
    }

    void texts()
    {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void rows()
    {
        const AceListRow r = rowOf("101");
        QCOMPARE(QStringList({r.name, r.id, r.years, r.last.stocks, r.current.ratings, r.last.middleTerm.rate,
                              r.last.middleTerm.avgRise, r.current.shortTerm.rate, r.middleMark, r.shortMark}),
                 QStringList({"张三", "1001", ">3年", "5", "6", "80%", "12.3", "67%", "A", "A-"}));
        // Unknown to the cache, without a row of N+1.
        const AceListRow unknown = rowOf("104");
        QCOMPARE(QStringList({unknown.name, unknown.id, unknown.years, unknown.current.stocks,
                              unknown.current.middleTerm.rate, unknown.current.middleTerm.tip,
                              unknown.current.middleTerm.maxRise, unknown.middleMark}),
                 QStringList({"", "", "<1年", "0", "-", "", "-", "-"}));
        // The row of year N+1 is there, its short term has nothing done.
        const AceListRow r103 = rowOf("103");
        QCOMPARE(QStringList({r103.current.middleTerm.rate, r103.current.shortTerm.rate, r103.last.ratings}),
                 QStringList({"100%", "-", "0"}));
    }

    void oneRowPerAnalystOfTheNewestSet()
    {
        QCOMPARE(sorted(uids(QString())), QStringList({"101", "102", "103", "104", "106"}));
        // By the middle-term mark, then year N's middle-term rate (104's 0 before NULLs).
        QCOMPARE(uids(QString()).mid(0, 3), QStringList({"101", "102", "104"}));
        // 102's shown record has 30 months; its other current record's 5 must not count.
        QCOMPARE(uids(QString(), 3, Qt::AscendingOrder).mid(2), QStringList({"103", "102", "101"}));
        for (int section = 3; section < 22; ++section)
            QVERIFY2(records(QString(), section).size() == 5, qPrintable(QString::number(section)));
    }

    void filters_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("followedInst");
        QTest::addColumn<QString>("followedAnalysts");
        QTest::addColumn<QStringList>("expected");
        const QStringList everyone{"101", "102", "103", "104", "106"};
        QTest::newRow("inst") << "\"inst\": \"中信证券\"" << "" << "" << QStringList{"101", "102"};
        QTest::newRow("inst of another current record") << "\"inst\": \"国泰君安\"" << "" << "" << QStringList{};
        QTest::newRow("inst with a quote") << "\"inst\": \"O'Neil证券\"" << "" << "" << QStringList{"103"};
        QTest::newRow("ind is exact") << "\"ind\": \"银行\"" << "" << "" << QStringList{"101", "102"};
        QTest::newRow("ind with a wildcard") << "\"ind\": \"银行%\"" << "" << "" << QStringList{};
        QTest::newRow("anls") << "\"anls\": \"1001\"" << "" << "" << QStringList{"101"};
        QTest::newRow("anls of a second current record") << "\"anls\": \"1002\"" << "" << "" << QStringList{"102"};
        QTest::newRow("anls of an old record") << "\"anls\": \"1000\"" << "" << "" << QStringList{};
        QTest::newRow("anls injected") << "\"anls\": \"1001 or 1=1\"" << "" << "" << QStringList{};
        QTest::newRow("months of the shown record") << "\"months\": 30" << "" << "" << QStringList{"101", "102"};
        QTest::newRow("months as text") << "\"months\": \"36\"" << "" << "" << QStringList{"101"};
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
};

QTEST_MAIN(TestAceListQuery)
#include "tst_acelistquery.moc"
