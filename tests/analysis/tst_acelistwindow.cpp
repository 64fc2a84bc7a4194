#include "acefixture.h"

#include "qcomplexheaderview.h"
#include "qwinacelist.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>

class TestAceListWindow : public QObject
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
        QCOMPARE(label("103", 0)->textFormat(), Qt::PlainText);
        QCOMPARE(label("103", 1)->text(), QStringLiteral("O'Neil证券"));
        QCOMPARE(label("103", 12)->toolTip(), QStringLiteral("完成：2次\n成功：2次"));
        QCOMPARE(label("103", 16)->toolTip(), QString()); // no year N row
    }

    void followAndUnfollowFromTheMenu()
    {
        setConcernedInstList(QStringLiteral("中信证券"), false);
        setConcernedAnalystList(QStringLiteral("102"), false);
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(QStringList({label("101", 1)->styleSheet(), label("103", 1)->styleSheet(), label("102", 0)->styleSheet(),
                              label("101", 0)->styleSheet()}),
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
        QCOMPARE(QStringList({label("103", 1)->styleSheet(), label("103", 0)->styleSheet()}),
                 QStringList({"color:blue;", "color:red;"}));
        const QStringList texts = menuOf("103");
        QCOMPARE(QStringList({texts.value(1), texts.value(3)}),
                 QStringList({"取消关注分析师 - O'Brien", "取消关注机构 - O'Neil证券"}));
        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedInst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedAnalyst"));
        QCOMPARE(instReloads.count(), 2);
        QCOMPARE(analystReloads.count(), 2);
        QCOMPARE(label("103", 0)->styleSheet(), QStringLiteral("color:black;"));
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

QTEST_MAIN(TestAceListWindow)
#include "tst_acelistwindow.moc"
