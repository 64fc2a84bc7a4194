#include "ratingfixture.h"

#include "modalwatcher.h"
#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"
#include "qlinklabel.h"
#include "qwinratinglist.h"
#include "serviceapi.h"

#include <QAction>
#include <QClipboard>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

int scalar(const QString &sql) { return sqlText(sql).toInt(); }

int readFlag(const char *id) { return scalar(QStringLiteral("select Rat_Readed from T_Rating where Rpt_ID = ") + id); }

bool refuseUpdatesOf(const char *id)
{
    return execSql(QStringLiteral("create trigger T_Rating_Refuse before update on T_Rating when old.Rpt_ID = %1 "
                                  "begin select raise(abort, 'refused'); end")
                       .arg(id));
}

enum { ColDate, ColStar, ColInst, ColAnalysts, ColStock, ColIndustry, ColRating, ColTarget = 9, ColEps1 = 13 };

} // namespace

class TestRatingListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWinRatingList> m_win;
    QTableWidget *m_table = nullptr;

    void show(const QString &request = filledRequest("RAT_NEW"), int page = 0)
    {
        m_win->showRatingList(request, page);
        m_table = m_win->findChild<QTableWidget *>();
    }

    template<class T = QLabel>
    T *cell(const char *id, int column)
    {
        return qobject_cast<T *>(m_table->cellWidget(rowOf(m_table, id), column));
    }

    // The CSS name of a cell label's text colour.
    QString color(const char *id, int column)
    {
        const QColor shown = cell(id, column)->palette().color(QPalette::WindowText);
        for (const char *name : {"black", "gray", "blue", "red", "orange", "green"}) {
            if (QColor(QLatin1String(name)) == shown)
                return QLatin1String(name);
        }
        return shown.name();
    }

    QVariant data(const char *id, int role) { return m_table->item(rowOf(m_table, id), 0)->data(role); }

    bool isBold(const char *id) { return m_table->item(rowOf(m_table, id), 0)->font().bold(); }

    // The bold label columns of a row.
    QString boldLabels(const char *id)
    {
        QStringList bold;
        for (int c = 0; c < m_table->columnCount(); ++c) {
            if (cell(id, c) && cell(id, c)->font().bold())
                bold << QString::number(c);
        }
        return bold.join(QLatin1Char(','));
    }

    void select(const char *id) { m_table->setCurrentCell(rowOf(m_table, id), 0); }

    void click(const char *id)
    {
        const QPoint at = m_table->visualItemRect(m_table->item(rowOf(m_table, id), 7)).center();
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // The context menu of a row as shown: its entries' captions, hidden ones in brackets, and
    // the block submenu's entries with their check marks.
    QStringList popMenu(const char *id)
    {
        select(id);
        QStringList seen;
        QTimer::singleShot(50, [&seen] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                seen << (a->isVisible() ? a->text() : QLatin1Char('[') + a->text() + QLatin1Char(']'));
                if (a->menu()) {
                    for (QAction *b : a->menu()->actions()) {
                        if (!b->isSeparator())
                            seen << QStringLiteral("  ") + b->text() + (b->isChecked() ? "*" : "") + "|"
                                        + b->data().toString();
                    }
                }
            }
            menu->close();
        });
        m_win->popMenuOfRatingList(QPoint(5, 5));
        return seen;
    }

private slots:
    void initTestCase()
    {
        m_dir = openRatingFixture();
        QVERIFY(m_dir);
        // Exactly RatingDays (180) and one day more before the newest entry day.
        QVERIFY(insertRating({301, "2016-07-10", "海通证券", "", "600000.SH", "增持", 4, "M", 16}));
        QVERIFY(insertRating({302, "2016-07-09", "海通证券", "", "600000.SH", "增持", 4, "M", 16}));
        QVERIFY(execSql("create table T_UpdateLog (id integer)"));
        QVERIFY(execSql("create trigger T_Rating_Updated after update on T_Rating "
                        "begin insert into T_UpdateLog values (new.Rpt_ID); end"));
    }

    void init()
    {
        clearUserLists();
        QVERIFY(execSql("update T_Rating set Rat_Readed = case when Rpt_ID in (203, 206, 211) then 1 else 0 end"));
        QVERIFY(execSql("delete from T_UpdateLog"));
        m_win = std::make_unique<QWinRatingList>();
        show();
        QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
    }

    void cleanup() { execSql("drop trigger if exists T_Rating_Refuse"); }

    void twoLevelHeader()
    {
        auto *header = qobject_cast<QComplexHeaderView *>(m_table->horizontalHeader());
        QVERIFY(header);
        QObject *tree = header->model()->data(QModelIndex(), Qt::UserRole).value<QObject *>();
        auto *items = qobject_cast<QStandardItemModel *>(tree);
        QVERIFY(items);
        QStringList leaves;
        for (int c = 0; c < items->columnCount(); ++c) {
            QStandardItem *top = items->item(0, c);
            if (!top->columnCount())
                leaves << top->text();
            for (int k = 0; k < top->columnCount(); ++k)
                leaves << top->text() + "/" + top->child(0, k)->text();
        }
        QCOMPARE(leaves.size(), 21);
        QCOMPARE(leaves.mid(11, 6), (QStringList{"±%", "每股收益(EPS)/2015", "每股收益(EPS)/2016E",
                                                 "每股收益(EPS)/2017E", "每股收益(EPS)/2018E", "复合\n增长率"}));
        QCOMPARE(leaves.last(), QStringLiteral("推荐测评/中线"));
        // The header model lives as long as the window.
        QCOMPARE(header->model()->parent(), m_win.get());
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(!header->sectionsClickable());
    }

    void rowCells()
    {
        QCOMPARE(m_table->item(rowOf(m_table, "201"), ColDate)->text(), QStringLiteral("01/06"));
        QCOMPARE(m_table->item(rowOf(m_table, "208"), ColDate)->text(), QStringLiteral("15/12/31"));
        QCOMPARE(data("201", Qt::UserRole + 1).toString(), QStringLiteral("中信证券-报告201-20170106.pdf"));
        QCOMPARE(data("210", Qt::UserRole + 1).toString(), QString());
        QCOMPARE(data("205", Qt::UserRole + 2).toInt(), 36);
        QCOMPARE(data("205", Qt::UserRole + 3).toString(), QStringLiteral("000001.SZ"));
        QCOMPARE(cell("202", ColStar)->text(), QStringLiteral("<img src=':/images/star.png'>"));
        QCOMPARE(cell("205", ColStar)->text(), QString());
        QCOMPARE(cell("204", ColInst)->textFormat(), Qt::PlainText);
        QCOMPARE(cell("204", ColInst)->text(), QStringLiteral("O'Neil证券"));
        QCOMPARE(cell("201", ColAnalysts)->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(cell("203", ColIndustry)->text(), QStringLiteral("电气设备"));
        QCOMPARE(cell("203", ColIndustry)->textFormat(), Qt::PlainText);
        QCOMPARE(cell("201", ColTarget)->text(),
                 QStringLiteral("<font color='red'>12.00↑</font><br><font size='2' color='gray'>( 20% )</font>"));
        QCOMPARE(cell("201", ColTarget)->toolTip(), QStringLiteral("前值：11.00 ~ 13.00"));
        QCOMPARE(cell("201", ColEps1)->text(), QStringLiteral("<font color='red'>1.50↑</font>"));
        QCOMPARE(cell("203", ColEps1)->text(), QStringLiteral("0.60"));
        QCOMPARE(cell("201", ColRating)->text(), QStringLiteral("买入(↑)"));
        QCOMPARE(cell("201", 19)->text(), QStringLiteral("<img src=':/images/correct.png'>"));
        QCOMPARE(cell("201", 19)->toolTip(), QStringLiteral("16.0%"));
        QCOMPARE(m_table->item(rowOf(m_table, "201"), 11)->foreground().color(), QColor(Qt::black));
        // Unread rows are bold in their items and their bold-able labels.
        QVERIFY(isBold("201") && !isBold("203"));
        QCOMPARE(boldLabels("201"), QStringLiteral("2,4,5,6,9,13,14,15"));
        QCOMPARE(boldLabels("203"), QString());
    }

    // A row turns gray only when it is older than RatingDays.
    void ageMarks()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
        show();
        QCOMPARE(color("301", ColInst) + color("302", ColInst), QStringLiteral("blackgray"));
        QCOMPARE(color("301", ColStock) + color("302", ColStock), QStringLiteral("blackgray"));
        QCOMPARE(color("301", ColRating) + color("302", ColRating), QStringLiteral("blackgray"));
        QCOMPARE(color("302", 9) + color("302", 13) + color("301", 9), QStringLiteral("graygrayblack"));
        QCOMPARE(m_table->item(rowOf(m_table, "302"), 7)->foreground().color(), QColor(Qt::gray));
        QCOMPARE(m_table->item(rowOf(m_table, "301"), 7)->foreground().style(), Qt::NoBrush);
        QCOMPARE(color("201", ColInst) + color("201", ColStock), QStringLiteral("bluered"));
        // The main window's signals re-mark the rows after the lists changed.
        clearUserLists();
        m_win->markConcernedInst();
        m_win->markBlockedStock();
        QCOMPARE(color("201", ColInst) + color("201", ColStock), QStringLiteral("blackblack"));
    }

    void pageSignals_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("disableNext");
        QTest::addColumn<QString>("firstNumber");
        QTest::newRow("fewer rows than a page") << 5 << 2 << 1 << "11";
        QTest::newRow("exactly a page") << 4 << 1 << 0 << "5";
        QTest::newRow("no rows") << 50 << 3 << 1 << "";
        QTest::newRow("page size 0 from the settings") << 0 << 2 << 0 << "3";
    }

    void pageSignals()
    {
        QFETCH(int, pageSize);
        QFETCH(int, page);
        QFETCH(int, disableNext);
        QFETCH(QString, firstNumber);
        setPageSize(pageSize);
        QSignalSpy title(m_win.get(), &QWinRatingList::showTitle);
        QSignalSpy next(m_win.get(), &QWinRatingList::disablePageNext);
        QSignalSpy last(m_win.get(), &QWinRatingList::disablePageLast);
        show(filledRequest("RAT_NEW"), page);
        QCOMPARE(title.count(), 1);
        QCOMPARE(title.value(0).value(0).toString(), QStringLiteral("最新评级"));
        QCOMPARE(next.count(), disableNext);
        QCOMPARE(last.count(), 1);
        QCOMPARE(m_table->rowCount() ? m_table->verticalHeaderItem(0)->text() : QString(), firstNumber);
    }

    void readFlagsPersist()
    {
        // A refused update keeps the row bold.
        QVERIFY(refuseUpdatesOf("202"));
        click("202");
        QVERIFY(isBold("202"));
        QCOMPARE(readFlag("202"), 0);
        QVERIFY(execSql("drop trigger T_Rating_Refuse"));
        click("202");
        QVERIFY(!isBold("202"));
        QCOMPARE(boldLabels("202"), QString());
        QCOMPARE(readFlag("202"), 1);
        // A read row runs no statement; the mark survives the next fill.
        click("202");
        click("203");
        QCOMPARE(scalar("select count(*) from T_UpdateLog"), 1);
        show();
        QVERIFY(!isBold("202") && isBold("201"));
    }

    void allReadInOneTransaction()
    {
        setPageSize(4);
        show();
        QVERIFY(refuseUpdatesOf("210"));
        {
            ModalWatcher boxes;
            m_win->setRatingAllReaded();
            QCOMPARE(boxes.last().text, QStringLiteral("设置已读失败，请稍后再试。"));
        }
        QCOMPARE(readFlag("201"), 0);
        QVERIFY(isBold("201") && isBold("210"));
        QVERIFY(mainDatabase().transaction() && mainDatabase().commit());

        QVERIFY(execSql("drop trigger T_Rating_Refuse"));
        m_win->setRatingAllReaded();
        QCOMPARE(readFlag("201") + readFlag("202") + readFlag("210"), 3);
        QCOMPARE(readFlag("204"), 0); // not on this page
        QVERIFY(!isBold("201") && !isBold("210") && boldLabels("210").isEmpty());
        QCOMPARE(scalar("select count(*) from T_UpdateLog"), 3);
        m_win->setRatingAllReaded();
        QCOMPARE(scalar("select count(*) from T_UpdateLog"), 3);
    }

    void contextMenu()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("A&B"), QStringLiteral("000001.SZ"), false);
        addBlockStock(QStringLiteral("其他"), QStringLiteral("600000.SH"), false);
        const QStringList expected = {
            "设置全部已读(&A)", "阅读所选报告(&V)", "查看研究报告 - 平安银行", "查看股票评级 - 平安银行",
            "查看股票走势 - 平安银行", "设置自定义板块 - 平安银行", "  新建板块(&N)...|", "  A&&B*|A&B", "  其他|其他",
            "查看机构评级 - 中信证券", "[添加关注机构 - 中信证券]", "取消关注机构 - 中信证券", "复制股票名单(&C)"};
        QCOMPARE(popMenu("201"), expected);
        select("201");
        m_win->removeConcernedInst();
        QVERIFY(popMenu("201").contains(QStringLiteral("[取消关注机构 - 中信证券]")));

        // A block entry carries the block's own name, not its caption.
        QSignalSpy sidebar(m_win.get(), &QWinRatingList::loadBlockListOfSidebar);
        QAction entry;
        entry.setData(QStringLiteral("A&B"));
        connect(&entry, &QAction::triggered, m_win.get(), &QWinRatingList::addStockToBlock);
        select("201");
        emit entry.triggered(false);
        QVERIFY(!isStockOfBlock(QStringLiteral("A&B"), QStringLiteral("000001.SZ")));
        QCOMPARE(color("201", ColStock), QStringLiteral("black"));
        select("207");
        emit entry.triggered(true);
        QVERIFY(isStockOfBlock(QStringLiteral("A&B"), QStringLiteral("600000.SH")));
        QCOMPARE(sidebar.count(), 0);
    }

    void newBlock_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("box");
        QTest::newRow("new block, trimmed") << "  新板块 " << "";
        QTest::newRow("blanks") << "   " << "请填写板块名!";
        QTest::newRow("improper") << "a;b" << "板块名含有不恰当字符!";
    }

    void newBlock()
    {
        QFETCH(QString, input);
        QFETCH(QString, box);
        select("204");
        QSignalSpy sidebar(m_win.get(), &QWinRatingList::loadBlockListOfSidebar);
        ModalWatcher boxes;
        QTimer::singleShot(20, [input] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            dialog->setTextValue(input);
            dialog->accept();
        });
        m_win->newBlock();
        QCOMPARE(boxes.last().text, box);
        QCOMPARE(isStockOfBlock(QStringLiteral("新板块"), QStringLiteral("002001.SZ")), box.isEmpty());
        QCOMPARE(sidebar.count(), box.isEmpty() ? 1 : 0);
        QCOMPARE(color("204", ColStock), box.isEmpty() ? "red" : "black");
    }

    // A rating whose report is not imported yet opens nothing and says so.
    void viewReport()
    {
        QSignalSpy open(m_win.get(), &QWinRatingList::openFile);
        select("201");
        emit cell<QLinkLabel>("201", ColRating)->clicked();
        QCOMPARE(open.value(0), (QVariantList{"201", getLocalFilePath("中信证券-报告201-20170106.pdf")}));
        ModalWatcher boxes;
        select("210");
        m_win->viewReport();
        QCOMPARE(open.count(), 1);
        QCOMPARE(boxes.count(), 1);
    }

    void drillDowns()
    {
        QSignalSpy stock(m_win.get(), &QWinRatingList::showRatingListOfStock);
        QSignalSpy reports(m_win.get(), &QWinRatingList::showReportListOfStock);
        QSignalSpy chart(m_win.get(), qOverload<const QString &>(&QWinRatingList::showChartOfStock));
        QSignalSpy inst(m_win.get(), &QWinRatingList::showRatingListOfInst);
        QSignalSpy ind(m_win.get(), &QWinRatingList::showRatingListOfInd);
        QSignalSpy anls(m_win.get(), &QWinRatingList::showRatingListOfAnls);
        select("203");
        m_win->showRatingOfStock();
        m_win->showReportOfStock();
        emit cell<QLinkLabel>("203", ColStock)->clicked();
        emit cell<QLinkLabel>("203", ColInst)->clicked();
        emit cell<QLinkLabel>("203", ColIndustry)->clicked();
        emit cell("203", ColAnalysts)->linkActivated(QStringLiteral("1101"));
        emit cell("203", ColAnalysts)->linkActivated(QString());
        QCOMPARE(stock.value(0).value(0).toString() + reports.value(0).value(0).toString()
                     + chart.value(0).value(0).toString(),
                 QStringLiteral("300001.SZ300001.SZ300001.SZ"));
        QCOMPARE(inst.value(0).value(0).toString() + ind.value(0).value(0).toString(), QStringLiteral("中信证券电气设备"));
        QCOMPARE(anls.count(), 1);
        QCOMPARE(anls.value(0).value(0).toString(), QStringLiteral("1101"));
    }

    void showLastList()
    {
        QWinRatingList fresh;
        QSignalSpy list(&fresh, &QWinRatingList::showList);
        fresh.showLastList();
        QCOMPARE(list.value(0), (QVariantList{getOrderJson("RAT_NEW"), 0}));
        const QString request = filledRequest("RAT_INS", {{"inst", "中信证券"}});
        fresh.showRatingList(request, 2);
        fresh.showLastList();
        QCOMPARE(list.value(1), (QVariantList{request, 2}));
    }

    void copyStockList()
    {
        setPageSize(3);
        show();
        ModalWatcher boxes;
        m_win->copyStockList();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("000001.SZ 平安银行\n600519.SH 贵州茅台\n300001.SZ 特锐德\n"));
        QCOMPARE(boxes.last().text, QStringLiteral("股票名单已复制到剪贴板"));
    }
};

QTEST_MAIN(TestRatingListWindow)
#include "tst_ratinglistwindow.moc"
