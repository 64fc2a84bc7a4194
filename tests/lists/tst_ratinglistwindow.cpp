#include "ratingfixture.h"

#include "modalwatcher.h"
#include "paintedcells.h"
#include "qcomplexheaderview.h"
#include "qlinklabel.h"
#include "qwinratinglist.h"
#include "ratinglistcolumns.h"
#include "serviceapi.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardItemModel>

using namespace RatingTable;

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
        for (const char *name : {"black", "gray", "blue", "red"}) {
            if (QColor(QLatin1String(name)) == shown)
                return QLatin1String(name);
        }
        return shown.name();
    }

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
        const QPoint at = m_table->visualItemRect(m_table->item(rowOf(m_table, id), ColPages)).center();
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    QStringList popMenu(const char *id)
    {
        select(id);
        return popupMenuTexts([this] { m_win->popMenuOfRatingList(QPoint(5, 5)); });
    }

private slots:
    void initTestCase()
    {
        m_dir = openRatingFixture();
        QVERIFY(m_dir);
        // Exactly RatingDays (180) and one day more before the newest entry day.
        QVERIFY(insertRating({301, "2016-07-10", "海通证券", "", "600000.SH", "增持", 4, "M", 16}));
        QVERIFY(insertRating({302, "2016-07-09", "海通证券", "", "600000.SH", "增持", 4, "M", 16}));
    }

    void init()
    {
        clearUserLists();
        QVERIFY(execSql("update T_Rating set Rat_Readed = case when Rpt_ID in (203, 206, 211) then 1 else 0 end"));
        m_win = std::make_unique<QWinRatingList>();
        show();
        QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
    }

    void cleanup() { execSql("drop trigger if exists Refuse"); }

    void twoLevelHeader()
    {
        auto *header = qobject_cast<QComplexHeaderView *>(m_table->horizontalHeader());
        QVERIFY(header);
        // The header model lives as long as the window.
        QCOMPARE(header->model()->parent(), m_win.get());
        auto *items = qobject_cast<QStandardItemModel *>(header->model()->data({}, Qt::UserRole).value<QObject *>());
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
        QCOMPARE(leaves.mid(12, 4).join(' '), "每股收益(EPS)/2015 每股收益(EPS)/2016E 每股收益(EPS)/2017E 每股收益(EPS)/2018E");
        QCOMPARE(leaves.mid(19).join(' '), "推荐测评/短线 推荐测评/中线");
    }

    void rowCells_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text"); // the label's text and tool tip, else the item's text
        auto row = [](const char *id, int column, const QString &text) {
            QTest::newRow(qPrintable(QStringLiteral("%1 column %2").arg(id).arg(column))) << id << column << text;
        };
        row("201", ColDate, "01/06");
        row("208", ColDate, "15/12/31");
        row("202", ColStar, "<img src=':/images/star.png'>");
        row("205", ColStar, "");
        row("204", ColInst, "O'Neil证券");
        row("203", ColIndustry, "电气设备");
        row("201", ColRating, "买入(↑)");
        row("201", ColTarget,
            "<font color='red'>12.00↑</font><br><font size='2' color='gray'>( 20% )</font> 前值：11.00 ~ 13.00");
        row("201", ColEps1, "<font color='red'>1.50↑</font> 前值：1.400");
        row("203", ColEps1, "0.60");
        row("201", ColPerformShort, "<img src=':/images/correct.png'> 16.0%");
    }

    void rowCells()
    {
        QFETCH(QString, id);
        QFETCH(int, column);
        const int row = rowOf(m_table, id);
        auto *label = qobject_cast<QLabel *>(m_table->cellWidget(row, column));
        QTEST(label ? (label->text() + ' ' + label->toolTip()).trimmed() : m_table->item(row, column)->text(), "text");
    }

    // A row turns gray only when it is older than RatingDays; marks of followed institutions
    // and blocked stocks go over it and follow the lists.
    void ageMarks()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
        show();
        for (int column : {ColInst, ColStock, ColRating, ColTarget, ColEps1})
            QCOMPARE(color("301", column) + color("302", column), QStringLiteral("blackgray"));
        QCOMPARE(m_table->item(rowOf(m_table, "302"), ColPages)->foreground().color(), QColor(Qt::gray));
        QCOMPARE(m_table->item(rowOf(m_table, "301"), ColPages)->foreground().style(), Qt::NoBrush);
        QCOMPARE(color("201", ColInst) + color("201", ColStock), QStringLiteral("bluered"));
        clearUserLists();
        m_win->markConcernedInst();
        m_win->markBlockedStock();
        QCOMPARE(color("201", ColInst) + color("201", ColStock), QStringLiteral("blackblack"));
    }

    // The marks as painted: followed institutions blue, blocked stocks red, the scores'
    // colours, the gray industry and the gray texts of ratings older than RatingDays.
    void paintedMarks_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("column");
        QTest::addColumn<qreal>("part"); // of the cell's height, from the top
        QTest::addColumn<QString>("colour");
        auto row = [](const char *id, int column, qreal part, const char *colour) {
            QTest::newRow(qPrintable(QStringLiteral("%1 column %2 %3").arg(id).arg(column).arg(part))) << id << column
                                                                                                    << part << colour;
        };
        row("201", ColInst, 1, "blue");
        row("203", ColInst, 1, "blue");
        row("204", ColInst, 1, "black");
        row("207", ColInst, 1, "gray");
        row("201", ColStock, 0.5, "red");
        row("205", ColStock, 0.5, "red");
        row("202", ColStock, 0.5, "black");
        row("202", ColStock, 1, "black");
        row("207", ColStock, 0.5, "gray");
        row("201", ColIndustry, 1, "gray");
        row("202", ColRating, 1, "red");
        row("201", ColRating, 1, "black");
        row("204", ColRating, 1, "orange");
        row("207", ColRating, 1, "green");
        row("208", ColRating, 1, "green");
        row("302", ColRating, 1, "gray");
        row("201", ColTarget, 0.5, "red");
        row("201", ColEps1, 1, "red");
        row("302", ColEps1, 1, "gray");
        row("301", ColEps1, 1, "black");
        row("302", ColDate, 1, "gray");
        row("301", ColDate, 1, "black");
        row("302", ColPricePub, 1, "gray");
    }

    void paintedMarks()
    {
        QFETCH(QString, id);
        QFETCH(int, column);
        QFETCH(qreal, part);
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
        QVERIFY(useProgramLook());
        setPageSize(50);
        show();
        m_table->scrollTo(m_table->model()->index(rowOf(m_table, id), column));
        QTEST(paintedTextColour(m_table, rowOf(m_table, id), column, part), "colour");
        qApp->setStyleSheet(QString());
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
        setPageSize(pageSize);
        QSignalSpy title(m_win.get(), &QWinRatingList::showTitle);
        QSignalSpy next(m_win.get(), &QWinRatingList::disablePageNext);
        QSignalSpy last(m_win.get(), &QWinRatingList::disablePageLast);
        show(filledRequest("RAT_NEW"), page);
        QCOMPARE(title.value(0), QVariantList{"最新评级"});
        QTEST(next.count(), "disableNext");
        QCOMPARE(title.count() + last.count(), 2);
        QTEST(m_table->rowCount() ? m_table->verticalHeaderItem(0)->text() : QString(), "firstNumber");
    }

    // A row is unbolded, labels too, once its flag is stored; "set all read" stores the page's.
    void readFlags()
    {
        QVERIFY(!isBold("203") && boldLabels("203").isEmpty());
        QCOMPARE(boldLabels("202"), QStringLiteral("2,4,5,6,9,13,14,15"));
        QVERIFY(refuseUpdatesOf("T_Rating", "202"));
        click("202");
        QVERIFY(isBold("202") && execSql("drop trigger Refuse"));
        click("202");
        QVERIFY(!isBold("202") && boldLabels("202").isEmpty());
        setPageSize(4);
        show();
        m_win->setRatingAllReaded();
        QCOMPARE(sqlText("select group_concat(Rpt_ID) from (select Rpt_ID from T_Rating where Rat_Readed = 1 order by 1)"),
                 QStringLiteral("201,202,203,206,210,211"));
        QVERIFY(!isBold("201") && !isBold("210") && boldLabels("210").isEmpty());
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
        m_win->removeConcernedInst();
        QVERIFY(popMenu("201").contains(QStringLiteral("[取消关注机构 - 中信证券]")));

        // A block entry carries the block's own name, not its caption.
        QAction entry;
        entry.setData(QStringLiteral("A&B"));
        connect(&entry, &QAction::triggered, m_win.get(), &QWinRatingList::addStockToBlock);
        emit entry.triggered(false);
        QVERIFY(!isStockOfBlock(QStringLiteral("A&B"), QStringLiteral("000001.SZ")));
        QCOMPARE(color("201", ColStock), QStringLiteral("black"));
        select("207");
        emit entry.triggered(true);
        QVERIFY(isStockOfBlock(QStringLiteral("A&B"), QStringLiteral("600000.SH")));
    }

    // The new block is named in a dialog; the sidebar reloads and the row shows its stock
    // blocked. A blank or improper name is refused with a box and makes no block.
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
        answerInputDialog(input);
        m_win->newBlock();
        QCOMPARE(boxes.last().text, box);
        QCOMPARE(isStockOfBlock(QStringLiteral("新板块"), QStringLiteral("002001.SZ")), box.isEmpty());
        QCOMPARE(color("204", ColStock) + QString::number(sidebar.count()), box.isEmpty() ? "red1" : "black0");
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
        QStringList seen;
        auto record = [&seen](const QString &value) { seen << value; };
        connect(m_win.get(), &QWinRatingList::showRatingListOfStock, this, record);
        connect(m_win.get(), &QWinRatingList::showReportListOfStock, this, record);
        connect(m_win.get(), qOverload<const QString &>(&QWinRatingList::showChartOfStock), this, record);
        connect(m_win.get(), &QWinRatingList::showRatingListOfInst, this, record);
        connect(m_win.get(), &QWinRatingList::showRatingListOfInd, this, record);
        connect(m_win.get(), &QWinRatingList::showRatingListOfAnls, this, record);
        select("203");
        m_win->showRatingOfStock();
        m_win->showReportOfStock();
        emit cell<QLinkLabel>("203", ColStock)->clicked();
        emit cell<QLinkLabel>("203", ColInst)->clicked();
        emit cell<QLinkLabel>("203", ColIndustry)->clicked();
        emit cell("203", ColAnalysts)->linkActivated(QStringLiteral("1101"));
        emit cell("203", ColAnalysts)->linkActivated(QString());
        QCOMPARE(seen, (QStringList{"300001.SZ", "300001.SZ", "300001.SZ", "中信证券", "电气设备", "1101"}));
        // Plain text: the slots read the raw names back from these labels.
        QCOMPARE(cell("203", ColInst)->textFormat(), Qt::PlainText);
        QCOMPARE(cell("203", ColIndustry)->textFormat(), Qt::PlainText);
    }

    // The page's stocks, one a line with their names, and a box that says so.
    void copyStockList()
    {
        setPageSize(3);
        show();
        ModalWatcher boxes;
        m_win->copyStockList();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("000001.SZ 平安银行\n600519.SH 贵州茅台\n300001.SZ 特锐德\n"));
        QCOMPARE(boxes.last().text, QStringLiteral("股票名单已复制到剪贴板"));
    }

    // Before any list was shown, going back shows the newest ratings.
    void showLastList()
    {
        QWinRatingList fresh;
        QSignalSpy list(&fresh, &QWinRatingList::showList);
        fresh.showLastList();
        const QString request = filledRequest("RAT_INS", {{"inst", "中信证券"}});
        fresh.showRatingList(request, 2);
        fresh.showLastList();
        QCOMPARE(list, (QList<QVariantList>{{getOrderJson("RAT_NEW"), 0}, {request, 2}}));
    }
};

QTEST_MAIN(TestRatingListWindow)
#include "tst_ratinglistwindow.moc"
