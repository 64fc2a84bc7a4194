#include "acefixture.h"

#include "acelistquery.h"
#include "acelistrow.h"
#include "qcomplexheaderview.h"
#include "qwinacelist.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>

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

AceListRow aceRowOf(const QString &uid)
{
    for (const ListRecord &r : records(QString())) {
        if (r.value(AceListQuery::ColUid).toString() == uid)
            return AceListRow::fromRecord(r);
    }
    return AceListRow();
}

} // namespace

class TestAceList : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;
    QWinAceList *m_win = nullptr;
    QTableWidget *m_table = nullptr;

    int row(const QString &uid) { return rowOf(m_table, uid); }
    QLabel *label(const QString &uid, int column) { return labelAt(m_table, row(uid), column); }
    QStringList menuOf(const QString &uid)
    {
        m_table->setCurrentCell(row(uid), 4);
        QStringList texts;
        onMenu(m_win, &texts);
        emit m_table->customContextMenuRequested(QPoint(5, 5));
        return texts;
    }

private slots:
    void initTestCase()
    {
        m_dir = openAceFixture();
        QVERIFY(m_dir);
    }

    void init()
    {
        clearUserLists();
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1300, 700);
        m_area->show();
        m_win = new QWinAceList;
        m_area->addSubWindow(m_win, Qt::FramelessWindowHint);
        m_table = m_win->findChild<QTableWidget *>();
    }

    void cleanup() { m_area.reset(); }

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
        // 101's row shows in the window's cells. Unknown to the cache, without a row of N+1.
        const AceListRow unknown = aceRowOf("104");
        QCOMPARE(QStringList({unknown.name, unknown.id, unknown.years, unknown.current.stocks,
                              unknown.current.middleTerm.rate, unknown.current.middleTerm.tip,
                              unknown.current.middleTerm.maxRise, unknown.middleMark}),
                 QStringList({"", "", "<1年", "0", "-", "", "-", "-"}));
        // The row of year N+1 is there, its short term has nothing done.
        const AceListRow r103 = aceRowOf("103");
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
        QTest::newRow("anls with a sign") << "\"anls\": \"+1001\"" << "" << "" << QStringList{"101"};
        QTest::newRow("anls with blanks") << "\"anls\": \" 1001 \"" << "" << "" << QStringList{"101"};
        QTest::newRow("anls as a decimal") << "\"anls\": \"1001.0\"" << "" << "" << QStringList{"101"};
        QTest::newRow("anls as another decimal") << "\"anls\": \"1001.5\"" << "" << "" << QStringList{};
        QTest::newRow("anls not a number") << "\"anls\": \"1001x\"" << "" << "" << QStringList{};
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

    void threeLevelHeaderOfTheRankingYears()
    {
        const QAbstractItemModel *header = m_win->findChild<QComplexHeaderView *>()->model();
        auto *model = qobject_cast<QStandardItemModel *>(header->data(QModelIndex(), Qt::UserRole).value<QObject *>());
        QVERIFY(model);
        const QStandardItem *middle = model->item(0, 6);
        QCOMPARE(middle->child(0, 1)->text(), QStringLiteral("2015"));
        QCOMPARE(middle->child(0, 2)->text(), QStringLiteral("2016"));
        QCOMPARE(model->item(0, 4)->text(), QStringLiteral("2015"));
    }

    void newRequestOpensOnTheMiddleMark_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("order");
        QTest::newRow("ACE_ALL") << "ACE_ALL" << int(Qt::DescendingOrder);
        QTest::newRow("ACE_MDH orders by another name") << "ACE_MDH" << int(Qt::DescendingOrder);
        QTest::newRow("ACE_ANL has no direct") << "ACE_ANL" << int(Qt::AscendingOrder);
    }

    void newRequestOpensOnTheMiddleMark()
    {
        QFETCH(QString, id);
        QFETCH(int, order);
        setCurrentStockList({QStringLiteral("600001.SH")});
        m_win->showAceList(filledRequest(id, {{"anlID", "1001"}, {"anlName", "张三"}}), 0);
        QCOMPARE(m_table->horizontalHeader()->sortIndicatorSection(), 8);
        QCOMPARE(int(m_table->horizontalHeader()->sortIndicatorOrder()), order);
        QVERIFY(m_table->rowCount() > 0);
        QCOMPARE(m_table->item(0, 8)->background().color(), getSortColumnColor());
        QCOMPARE(getCurrentStockList(), QStringList{"600001.SH"}); // left alone
    }

    void cellsOfARow()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(m_win->rowsPerPage(), m_table->viewport()->height() / 32);
        QCOMPARE(m_table->rowCount(), 5);
        QCOMPARE(row("101"), 0);
        QCOMPARE(QStringList({label("101", 0)->text(), label("101", 1)->text(), label("101", 2)->text(),
                              m_table->item(0, 3)->text(), m_table->item(0, 4)->text(), m_table->item(0, 7)->text(),
                              label("101", 8)->text(), label("101", 9)->text(), label("101", 9)->toolTip(),
                              m_table->item(0, 10)->text(), label("101", 15)->text(), label("101", 19)->text()}),
                 QStringList({"张三", "中信证券", "银行", ">3年", "5", "6", "A", "80%", "完成：10次\n成功：8次", "12.3",
                              "A-", "67%"}));
        for (int c = 0; c < 3; ++c) // names the slots read back
            QCOMPARE(label("103", c)->textFormat(), Qt::PlainText);
        QCOMPARE(label("103", 1)->text(), QStringLiteral("O'Neil证券"));
        QCOMPARE(label("103", 12)->toolTip(), QStringLiteral("完成：2次\n成功：2次"));
        QCOMPARE(label("103", 16)->toolTip(), QString()); // no year N row
    }

    void followAndUnfollowFromTheMenu()
    {
        setConcernedInstList(QStringLiteral("中信证券"), false);
        setConcernedAnalystList(QStringLiteral("102"), false);
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(QStringList({ownColour(label("101", 1)), ownColour(label("103", 1)), ownColour(label("102", 0)),
                              ownColour(label("101", 0))}),
                 QStringList({"color:blue;", "color:black;", "color:red;", "color:black;"}));
        QSignalSpy instReloads(m_win, &QWinAceList::loadConcernedInstListOfSidebar);
        QSignalSpy analystReloads(m_win, &QWinAceList::loadConcernedAnalystListOfSidebar);
        QCOMPARE(menuOf("103"), QStringList({"查看分析师评级 - O'Brien", "添加关注分析师 - O'Brien",
                                             "查看机构分析师 - O'Neil证券", "添加关注机构 - O'Neil证券"}));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedAnalyst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst")); // already followed
        QCOMPARE(instReloads.count(), 1);
        QCOMPARE(analystReloads.count(), 1);
        QVERIFY(isConcernedInst(QStringLiteral("O'Neil证券")));
        QCOMPARE(QStringList({ownColour(label("103", 1)), ownColour(label("103", 0))}),
                 QStringList({"color:blue;", "color:red;"}));
        const QStringList texts = menuOf("103");
        QCOMPARE(QStringList({texts.value(1), texts.value(3)}),
                 QStringList({"取消关注分析师 - O'Brien", "取消关注机构 - O'Neil证券"}));
        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedInst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedAnalyst"));
        QCOMPARE(instReloads.count(), 2);
        QCOMPARE(analystReloads.count(), 2);
        QCOMPARE(ownColour(label("103", 0)), QStringLiteral("color:black;"));
        QVERIFY(!isConcernedInst(QStringLiteral("O'Neil证券")));
    }

    void drillDowns()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy ratings(m_win, &QWinAceList::showRatingListOfAnls);
        QSignalSpy insts(m_win, &QWinAceList::showAceListOfInst);
        QSignalSpy inds(m_win, &QWinAceList::showAceListOfInd);
        QSignalSpy instReloads(m_win, &QWinAceList::loadConcernedInstListOfSidebar);
        // The newest record's id, by a double click.
        m_table->setCurrentCell(row("102"), 4);
        emit m_table->doubleClicked(m_table->model()->index(row("102"), 5));
        QCOMPARE(ratings.count(), 1);
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("1003"));
        // The click passes through the label and makes its row current.
        QTest::mouseClick(label("103", 1), Qt::LeftButton);
        QCOMPARE(insts.value(0).value(0).toString(), QStringLiteral("O'Neil证券"));
        QTest::mouseClick(label("103", 2), Qt::LeftButton);
        QCOMPARE(inds.value(0).value(0).toString(), QStringLiteral("银行业"));
        // An analyst the cache does not know has no id and no institution: nothing is asked for.
        m_table->setCurrentCell(row("104"), 4);
        emit m_table->doubleClicked(m_table->model()->index(row("104"), 5));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst"));
        QCOMPARE(ratings.count(), 1);
        QCOMPARE(instReloads.count(), 0);
        QVERIFY(getConcernedInstList().isEmpty());
    }

    void fixedSectionKeepsTheSort()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy lists(m_win, &QWinAnalysisList::showList);
        connect(m_win, &QWinAnalysisList::showList, m_win, &QWinAceList::showAceList);
        QHeaderView *h = m_table->horizontalHeader();
        h->setSortIndicator(1, Qt::AscendingOrder);
        emit h->sectionClicked(1);
        QCOMPARE(h->sortIndicatorSection(), 8);
        QCOMPARE(h->sortIndicatorOrder(), Qt::DescendingOrder);
        h->setSortIndicator(3, Qt::AscendingOrder);
        emit h->sectionClicked(3);
        QCOMPARE(h->sortIndicatorSection(), 3);
        QCOMPARE(row("101"), 4); // the most months last
        QCOMPARE(lists.count(), 2);
    }

    void emptyRankingAndLastList()
    {
        QSignalSpy lists(m_win, &QWinAnalysisList::showList);
        m_win->showLastList(); // before any: the whole ranking
        QCOMPARE(lists.value(0).value(0).toString(), getOrderJson(QStringLiteral("ACE_ALL")));
        QVERIFY(!m_win->testAttribute(Qt::WA_DeleteOnClose));
        // Followed analysts none of whom is known.
        setConcernedAnalystList(QStringLiteral("104"), false);
        QSignalSpy disabled(m_win, &QWinAnalysisList::disablePageAll);
        m_win->showAceList(filledRequest("ACE_ANL_ALL"), 0);
        QCOMPARE(m_table->rowCount(), 0);
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(m_win->findChild<QScrollBar *>()->maximum(), 0);
    }
};

QTEST_MAIN(TestAceList)
#include "tst_acelist.moc"
