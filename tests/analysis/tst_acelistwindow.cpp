#include "acefixture.h"

#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"
#include "qlinklabel.h"
#include "qwinacelist.h"

#include <QMdiArea>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

QLabel *labelAt(QTableWidget *table, int row, int column)
{
    return qobject_cast<QLabel *>(table->cellWidget(row, column));
}

// The texts of the visible actions of the context menu, read once it is up.
void readMenu(QStringList *texts)
{
    QTimer::singleShot(50, [texts] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (action->isVisible() && !action->isSeparator())
                *texts << action->text();
        }
        menu->close();
    });
}

QStringList childTexts(const QStandardItem *item)
{
    QStringList texts;
    for (int c = 0; c < item->columnCount(); ++c)
        texts << item->child(0, c)->text();
    return texts;
}

} // namespace

class TestAceListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;
    QWinAceList *m_win = nullptr;
    QTableWidget *m_table = nullptr;

    int rowOfUid(const QString &uid) { return rowOf(m_table, uid); }

    void selectRow(const QString &uid)
    {
        const int row = rowOfUid(uid);
        QVERIFY(row >= 0);
        m_table->setCurrentCell(row, 4);
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

    void threeLevelHeader()
    {
        const QAbstractItemModel *header = m_win->findChild<QComplexHeaderView *>()->model();
        auto *model = qobject_cast<QStandardItemModel *>(header->data(QModelIndex(), Qt::UserRole).value<QObject *>());
        QVERIFY(model);
        QCOMPARE(model->columnCount(), 8);
        QCOMPARE(m_table->columnCount(), 22);
        const QStandardItem *middle = model->item(0, 6);
        QCOMPARE(middle->text(), QStringLiteral("中线推荐表现"));
        QCOMPARE(childTexts(middle), QStringList({"荐股\n能力", "2015", "2016"}));
        QCOMPARE(childTexts(middle->child(0, 2)), QStringList({"成功率", "平均", "最高"}));
        QCOMPARE(model->item(0, 4)->text(), QStringLiteral("2015"));
        QCOMPARE(childTexts(model->item(0, 5)), QStringList({"推荐\n股数", "推荐\n次数"}));
        QCOMPARE(m_table->columnWidth(1), 80);
        QCOMPARE(m_table->columnWidth(21), 50);
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
        QSignalSpy titles(m_win, &QWinAnalysisList::showTitle);
        m_win->showAceList(filledRequest(id, {{"anlID", "1001"}, {"anlName", "张三"}}), 0);
        QCOMPARE(titles.count(), 1);
        QCOMPARE(m_table->horizontalHeader()->sortIndicatorSection(), 8);
        QCOMPARE(int(m_table->horizontalHeader()->sortIndicatorOrder()), order);
        QVERIFY(m_table->rowCount() > 0);
        QCOMPARE(m_table->item(0, 8)->background().color(), getSortColumnColor());
    }

    void rowsPerPageOfTheRowHeight()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QVERIFY(m_table->viewport()->height() > 64);
        QCOMPARE(m_win->rowsPerPage(), m_table->viewport()->height() / 32);
        QCOMPARE(m_table->verticalHeader()->defaultSectionSize(), 32);
    }

    void cellsOfARow()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(m_table->rowCount(), 5);
        const int row = rowOfUid("101");
        QCOMPARE(row, 0);
        QCOMPARE(labelAt(m_table, row, 0)->text(), QStringLiteral("张三"));
        QCOMPARE(labelAt(m_table, row, 1)->text(), QStringLiteral("中信证券"));
        QCOMPARE(labelAt(m_table, row, 2)->text(), QStringLiteral("银行"));
        QCOMPARE(m_table->item(row, 3)->text(), QStringLiteral(">3年"));
        QCOMPARE(m_table->item(row, 4)->text(), QStringLiteral("5"));
        QCOMPARE(m_table->item(row, 7)->text(), QStringLiteral("6"));
        QCOMPARE(labelAt(m_table, row, 8)->text(), QStringLiteral("A"));
        QCOMPARE(labelAt(m_table, row, 9)->text(), QStringLiteral("80%"));
        QCOMPARE(labelAt(m_table, row, 9)->toolTip(), QStringLiteral("完成：10次\n成功：8次"));
        QCOMPARE(m_table->item(row, 10)->text(), QStringLiteral("12.3"));
        QCOMPARE(labelAt(m_table, row, 15)->text(), QStringLiteral("A-"));
        QCOMPARE(labelAt(m_table, row, 19)->text(), QStringLiteral("67%"));
        QCOMPARE(int(m_table->item(row, 20)->textAlignment()), int(Qt::AlignRight | Qt::AlignVCenter));
        for (int c = 0; c < m_table->columnCount(); ++c)
            QVERIFY2(m_table->item(row, c), qPrintable(QString::number(c)));

        const int quoted = rowOfUid("103");
        QCOMPARE(labelAt(m_table, quoted, 0)->textFormat(), Qt::PlainText);
        QCOMPARE(labelAt(m_table, quoted, 1)->text(), QStringLiteral("O'Neil证券"));
        QCOMPARE(labelAt(m_table, quoted, 12)->toolTip(), QStringLiteral("完成：2次\n成功：2次"));
        QCOMPARE(labelAt(m_table, quoted, 16)->toolTip(), QString()); // no year N row
    }

    void marksOfFollowedInstitutionsAndAnalysts()
    {
        setConcernedInstList(QStringLiteral("中信证券"), false);
        setConcernedAnalystList(QStringLiteral("102"), false);
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(labelAt(m_table, rowOfUid("101"), 1)->styleSheet(), QStringLiteral("color:blue;"));
        QCOMPARE(labelAt(m_table, rowOfUid("103"), 1)->styleSheet(), QStringLiteral("color:black;"));
        QCOMPARE(labelAt(m_table, rowOfUid("102"), 0)->styleSheet(), QStringLiteral("color:red;"));
        QCOMPARE(labelAt(m_table, rowOfUid("101"), 0)->styleSheet(), QStringLiteral("color:black;"));
    }

    void followAndUnfollowFromTheMenu()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy instReloads(m_win, &QWinAceList::loadConcernedInstListOfSidebar);
        QSignalSpy analystReloads(m_win, &QWinAceList::loadConcernedAnalystListOfSidebar);
        selectRow("103");
        QStringList texts;
        readMenu(&texts);
        emit m_table->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(texts, QStringList({"查看分析师评级 - O'Brien", "添加关注分析师 - O'Brien", "查看机构分析师 - O'Neil证券",
                                     "添加关注机构 - O'Neil证券"}));

        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedAnalyst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst")); // already followed
        QCOMPARE(instReloads.count(), 1);
        QCOMPARE(analystReloads.count(), 1);
        QVERIFY(isConcernedInst(QStringLiteral("O'Neil证券")));
        QCOMPARE(getConcernedAnalystList(), QStringList{"103"});
        QCOMPARE(labelAt(m_table, rowOfUid("103"), 1)->styleSheet(), QStringLiteral("color:blue;"));
        QCOMPARE(labelAt(m_table, rowOfUid("103"), 0)->styleSheet(), QStringLiteral("color:red;"));

        texts.clear();
        readMenu(&texts);
        emit m_table->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(texts.value(1), QStringLiteral("取消关注分析师 - O'Brien"));
        QCOMPARE(texts.value(3), QStringLiteral("取消关注机构 - O'Neil证券"));

        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedInst"));
        QVERIFY(QMetaObject::invokeMethod(m_win, "removeConcernedAnalyst"));
        QCOMPARE(instReloads.count(), 2);
        QCOMPARE(analystReloads.count(), 2);
        QCOMPARE(labelAt(m_table, rowOfUid("103"), 0)->styleSheet(), QStringLiteral("color:black;"));
    }

    void unknownAnalystFollowsNoEmptyInstitution()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy instReloads(m_win, &QWinAceList::loadConcernedInstListOfSidebar);
        selectRow("104");
        QVERIFY(QMetaObject::invokeMethod(m_win, "addConcernedInst"));
        QCOMPARE(instReloads.count(), 0);
        QVERIFY(getConcernedInstList().isEmpty());
    }

    void drillDowns()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy ratings(m_win, &QWinAceList::showRatingListOfAnls);
        QSignalSpy insts(m_win, &QWinAceList::showAceListOfInst);
        QSignalSpy inds(m_win, &QWinAceList::showAceListOfInd);
        // The newest record's id, by a double click.
        selectRow("102");
        emit m_table->doubleClicked(m_table->model()->index(rowOfUid("102"), 5));
        QCOMPARE(ratings.count(), 1);
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("1003"));
        // The click passes through the label and makes its row current.
        QTest::mouseClick(labelAt(m_table, rowOfUid("103"), 1), Qt::LeftButton);
        QCOMPARE(insts.value(0).value(0).toString(), QStringLiteral("O'Neil证券"));
        QTest::mouseClick(labelAt(m_table, rowOfUid("103"), 2), Qt::LeftButton);
        QCOMPARE(inds.value(0).value(0).toString(), QStringLiteral("银行业"));
        // An analyst the cache does not know has no id: nothing is asked for.
        selectRow("104");
        emit m_table->doubleClicked(m_table->model()->index(rowOfUid("104"), 5));
        QCOMPARE(ratings.count(), 1);
    }

    void fixedSectionKeepsTheSort()
    {
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QSignalSpy lists(m_win, &QWinAnalysisList::showList);
        connect(m_win, &QWinAnalysisList::showList, m_win, &QWinAceList::showAceList);
        m_table->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
        emit m_table->horizontalHeader()->sectionClicked(1);
        QCOMPARE(m_table->horizontalHeader()->sortIndicatorSection(), 8);
        QCOMPARE(m_table->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        m_table->horizontalHeader()->setSortIndicator(3, Qt::AscendingOrder);
        emit m_table->horizontalHeader()->sectionClicked(3);
        QCOMPARE(m_table->horizontalHeader()->sortIndicatorSection(), 3);
        QCOMPARE(rowOfUid("101"), 4); // the most months last
        QCOMPARE(lists.count(), 2);
    }

    void leavesTheCurrentStockListAlone()
    {
        setCurrentStockList({QStringLiteral("600001.SH")});
        m_win->showAceList(filledRequest("ACE_ALL"), 0);
        QCOMPARE(getCurrentStockList(), QStringList{"600001.SH"});
    }

    void emptyResultOfUnknownFollowedAnalysts()
    {
        setConcernedAnalystList(QStringLiteral("104"), false);
        QSignalSpy disabled(m_win, &QWinAnalysisList::disablePageAll);
        m_win->showAceList(filledRequest("ACE_ANL_ALL"), 0);
        QCOMPARE(m_table->rowCount(), 0);
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(m_win->findChild<QScrollBar *>()->maximum(), 0);
    }

    void lastListBeforeAnyIsTheWholeRanking()
    {
        QSignalSpy lists(m_win, &QWinAnalysisList::showList);
        m_win->showLastList();
        QCOMPARE(lists.value(0).value(0).toString(), getOrderJson(QStringLiteral("ACE_ALL")));
        QVERIFY(!m_win->testAttribute(Qt::WA_DeleteOnClose));
    }
};

QTEST_MAIN(TestAceListWindow)
#include "tst_acelistwindow.moc"
