#include "reportfixture.h"

#include "analystaward.h"
#include "qlinklabel.h"
#include "qwinreportlist.h"
#include "reportlistrow.h"
#include "serviceapi.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTextDocument>

namespace {

// Newest entry 2017-01-06 15:30:00.
const QList<FixtureReport> kReports = {
    {101, "2017-01-06 15:30:00", "2017-01-06", "中信证券", "STK.COM@CN", "PE<10倍 & \"低估\" 'A' \\ 银行",
     "张三[1001],李四[1002]", "000001.SZ", "银行", 0, 20, "PDF", 0, 1},
    {102, "2017-01-06 09:00:00", "2017-01-05", "<b>粗</b>证券", "NOPE", "次日入库", "王五", "", "", 0, 0, "DOCX", 1},
    {103, "2017-01-05 08:00:00", "2017-01-05", "国泰君安", "MCR@CN", "一天前", "", "", "", 0, 3, "pdf", 0},
    {104, "2017-01-03 08:00:00", "2017-01-02 00:00:00", "国泰君安", "MCR@CN", "三天前", "", "", "", 0, 3, "", 0},
    {105, "2017-01-02 08:00:00", "2016-12-30", "国泰君安", "MCR@CN", "四天前", "", "", "", 0, 3, "XLS", 1},
    {106, "2017-01-06 10:00:00", "2017-01-09", "国泰君安", "MCR@CN", "先入库后发布", "", "", "", 0, 3, "PPT", 1},
};

QTableWidget *tableOf(QWinReportList &w)
{
    return w.findChild<QTableWidget *>();
}

int rowOf(QTableWidget *t, const QString &id)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0)->data(Qt::UserRole).toString() == id)
            return r;
    }
    return -1;
}

QString plainText(const QString &html)
{
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText();
}

} // namespace

class TestReportListRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void dateAndSuffix_data();
    void dateAndSuffix();
    void analystCell();
    void rowData();
    void escapedTexts();
    void typeIcons_data();
    void typeIcons();
    void boldCells();
    void numberingOnLaterPages();
    void pagingSignals_data();
    void pagingSignals();
    void repeatedRequestRunsNoQuery();
    void marks();
    void requestThatDoesNotParseShowsNothing();

private:
    void show(const QString &request, int page = 0);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWinReportList> m_win;
};

void TestReportListRows::initTestCase()
{
    m_dir = openFixtureDatabase();
    QVERIFY(m_dir);
    for (const FixtureReport &r : kReports)
        QVERIFY(insertReport(r));
    QVERIFY(insertStock("000001.SZ", "平安银行", "银行"));
    loadStockCache();

    const QString awards = m_dir->filePath("awards.ini");
    QFile file(awards);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[2016]\n001=\"{\\\"cat\\\": \\\"银行\\\", \\\"insts\\\": [{\\\"inst\\\": \\\"中信证券\\\", "
               "\\\"medal\\\": 2, \\\"anls\\\": \\\"李四[1002]\\\"}]}\"\n");
    file.close();
    clearAnalystAwardTable();
    loadAnalystAwardTable(awards);
    QCOMPARE(getAnalystMedal("1002"), 2);
}

void TestReportListRows::init()
{
    clearUserLists();
    setPageSize(50);
    setPageCount(0);
    m_win = std::make_unique<QWinReportList>();
}

void TestReportListRows::show(const QString &request, int page)
{
    m_win->showReportList(request, page);
}

void TestReportListRows::dateAndSuffix_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("newest day, published that day") << "101" << "01/06 15:30*" << "0106";
    QTest::newRow("newest day, published the day before") << "102" << "01/06 09:00" << "0105";
    QTest::newRow("one day before the newest") << "103" << "01/05 08:00" << "0105";
    QTest::newRow("three days, published as a date-time") << "104" << "01/03 08:00" << "0102";
    QTest::newRow("four days") << "105" << "2017/01/02" << "20161230";
    QTest::newRow("entered before publication") << "106" << "01/06 10:00*" << "0109";
}

void TestReportListRows::dateAndSuffix()
{
    QFETCH(QString, id);
    QFETCH(QString, date);
    QFETCH(QString, suffix);
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    const int r = rowOf(t, id);
    QVERIFY(r >= 0);
    QCOMPARE(t->item(r, 0)->text(), date);
    const auto *title = qobject_cast<QLinkLabel *>(t->cellWidget(r, 3));
    QVERIFY(title->text().endsWith(QStringLiteral("<font color='gray'> - ") + suffix + QStringLiteral("</font>")));
}

void TestReportListRows::analystCell()
{
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    const auto *cell = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "101"), 4));
    QCOMPARE(cell->text(),
             QStringLiteral("&nbsp;<a style='color:gray; text-decoration:none;' href='1001'>张三</a>"
                            "<font color='gray'>, </font><img src=':/images/silver.png'>"
                            "<a style='color:gray; text-decoration:none;' href='1002'>李四</a>"));
    QCOMPARE(cell->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(t->item(rowOf(t, "101"), 0)->data(Qt::UserRole + 4).toString(), QStringLiteral("张三,李四"));

    // A name without brackets links to an empty target; no analysts, no cell text.
    const auto *bare = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "102"), 4));
    QCOMPARE(bare->text(), QStringLiteral("&nbsp;<a style='color:gray; text-decoration:none;' href=''>王五</a>"));
    QCOMPARE(qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "103"), 4))->text(), QString());

    // The link target is the analyst id, passed on unchanged.
    QSignalSpy anls(m_win.get(), &QWinReportList::showReportListOfAnls);
    emit const_cast<QLabel *>(cell)->linkActivated(QStringLiteral("1002"));
    QCOMPARE(anls.count(), 1);
    QCOMPARE(anls.at(0).at(0).toString(), QStringLiteral("1002"));
}

void TestReportListRows::rowData()
{
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    QCOMPARE(t->rowCount(), kReports.size());
    const QTableWidgetItem *item = t->item(rowOf(t, "104"), 0);
    QCOMPARE(item->data(Qt::UserRole).toString(), QStringLiteral("104"));
    QCOMPARE(item->data(Qt::UserRole + 1).toString(), QStringLiteral("2017/01/02"));
    QCOMPARE(item->data(Qt::UserRole + 2).toString(),
             makeReportFileName("国泰君安", "三天前", "20170102", "PDF"));
    QVERIFY(item->data(Qt::UserRole + 2).toString().endsWith(QLatin1String(".pdf")));
    QCOMPARE(item->data(Qt::UserRole + 3).toString(), QStringLiteral("三天前"));
    const QTableWidgetItem *first = t->item(rowOf(t, "101"), 0);
    QCOMPARE(first->data(Qt::UserRole + 5).toString(), QStringLiteral("000001.SZ"));
    QCOMPARE(first->data(Qt::UserRole + 3).toString(), kReports.at(0).title);

    // Page texts; lock and its tool tip on every row
    QCOMPARE(t->item(rowOf(t, "101"), 6)->text(), QStringLiteral("20"));
    QCOMPARE(t->item(rowOf(t, "102"), 6)->text(), QStringLiteral("-"));
    QCOMPARE(t->item(rowOf(t, "101"), 6)->textAlignment(), int(Qt::AlignCenter));
    const auto *lock = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "101"), 1));
    QCOMPARE(lock->text(), QStringLiteral("<img src=':/images/lock.png'>"));
    const auto *noLock = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "103"), 1));
    QCOMPARE(noLock->text(), QString());
    QCOMPARE(noLock->toolTip(), QStringLiteral("独家报告"));

    // An unknown category shows as "其他"
    const auto *title = qobject_cast<QLinkLabel *>(t->cellWidget(rowOf(t, "102"), 3));
    QVERIFY(title->text().startsWith(QStringLiteral("【其他】次日入库")));
}

void TestReportListRows::escapedTexts()
{
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    const auto *title = qobject_cast<QLinkLabel *>(t->cellWidget(rowOf(t, "101"), 3));
    QCOMPARE(plainText(title->text()),
             QStringLiteral("【公司研究】PE<10倍 & \"低估\" 'A' \\ 银行 - 0106"));

    // The institution reads back as stored and shows as plain text.
    const auto *inst = qobject_cast<QLinkLabel *>(t->cellWidget(rowOf(t, "102"), 2));
    QCOMPARE(inst->text(), QStringLiteral("<b>粗</b>证券"));
    QCOMPARE(inst->textFormat(), Qt::PlainText);
    QSignalSpy ofInst(m_win.get(), &QWinReportList::showReportListOfInst);
    t->setCurrentCell(rowOf(t, "102"), 0);
    emit const_cast<QLinkLabel *>(inst)->clicked();
    QCOMPARE(ofInst.count(), 1);
    QCOMPARE(ofInst.at(0).at(0).toString(), QStringLiteral("<b>粗</b>证券"));
}

void TestReportListRows::typeIcons_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("extension");
    QTest::newRow("PDF") << "PDF" << ":/images/pdf.png" << ".pdf";
    QTest::newRow("empty counts as PDF") << "" << ":/images/pdf.png" << ".pdf";
    QTest::newRow("DOCX begins with DOC") << "DOCX" << ":/images/doc.png" << ".docx";
    QTest::newRow("XLS") << "XLS" << ":/images/xls.png" << ".xls";
    QTest::newRow("PPT") << "PPT" << ":/images/ppt.png" << ".ppt";
    QTest::newRow("lower-case pdf has no icon") << "pdf" << "" << ".pdf";
}

void TestReportListRows::typeIcons()
{
    QFETCH(QString, type);
    QFETCH(QString, icon);
    QFETCH(QString, extension);
    ReportListRow row;
    row.type = type.isEmpty() ? QStringLiteral("PDF") : type;
    row.inst = QStringLiteral("机构");
    row.title = QStringLiteral("标题");
    row.publish = QDate(2017, 1, 6);
    QCOMPARE(row.typeIcon(), icon);
    QVERIFY(row.fileName().endsWith(extension));
    if (!icon.isEmpty())
        QVERIFY(!QPixmap(icon).isNull());

    // The cell shows the picture.
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    const auto *pdf = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "104"), 5));
    QVERIFY(!pdf->pixmap(Qt::ReturnByValue).isNull());
    const auto *none = qobject_cast<QLabel *>(t->cellWidget(rowOf(t, "103"), 5));
    QVERIFY(none->pixmap(Qt::ReturnByValue).isNull());
}

void TestReportListRows::boldCells()
{
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    const int unread = rowOf(t, "101");
    const int read = rowOf(t, "102");
    for (int c = 0; c < t->columnCount(); ++c) {
        QCOMPARE(t->item(unread, c)->font().weight(), int(QFont::Bold));
        QVERIFY(t->item(read, c)->font().weight() <= int(QFont::Normal));
    }
    for (int c : {2, 3}) {
        QCOMPARE(t->cellWidget(unread, c)->font().weight(), int(QFont::Bold));
        QCOMPARE(t->cellWidget(read, c)->font().weight(), int(QFont::Normal));
    }
    QVERIFY(t->cellWidget(unread, 4)->font().weight() <= int(QFont::Normal));
}

void TestReportListRows::numberingOnLaterPages()
{
    setPageSize(2);
    show(filledRequest("RPT_NEW"), 2);
    QTableWidget *t = tableOf(*m_win);
    QCOMPARE(t->rowCount(), 2);
    QCOMPARE(t->verticalHeaderItem(0)->text(), QStringLiteral("5"));
    QCOMPARE(t->verticalHeaderItem(1)->text(), QStringLiteral("6"));
    show(filledRequest("RPT_NEW"), 0);
    QCOMPARE(t->verticalHeaderItem(0)->text(), QStringLiteral("1"));
}

void TestReportListRows::pagingSignals_data()
{
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("next");
    QTest::newRow("fewer rows than a page") << 4 << 1 << 1;
    QTest::newRow("exactly a page") << 3 << 1 << 0;
    QTest::newRow("no rows") << 50 << 3 << 1;
}

void TestReportListRows::pagingSignals()
{
    QFETCH(int, pageSize);
    QFETCH(int, page);
    QFETCH(int, next);
    setPageSize(pageSize);
    QSignalSpy title(m_win.get(), &QWinReportList::showTitle);
    QSignalSpy disableNext(m_win.get(), &QWinReportList::disablePageNext);
    QSignalSpy disableLast(m_win.get(), &QWinReportList::disablePageLast);
    show(filledRequest("RPT_NEW"), page);
    QCOMPARE(title.count(), 1);
    QCOMPARE(title.at(0).at(0).toString(), QStringLiteral("最新报告"));
    QCOMPARE(disableNext.count(), next);
    QCOMPARE(disableLast.count(), 1);
    QVERIFY(m_win->isMaximized());
}

void TestReportListRows::repeatedRequestRunsNoQuery()
{
    const QString request = filledRequest("RPT_INS", {{"inst", "国泰君安"}});
    show(request);
    QTableWidget *t = tableOf(*m_win);
    QCOMPARE(t->rowCount(), 4);

    // A report arriving in between shows only when the list is queried again.
    QVERIFY(insertReport({107, "2017-01-06 12:00:00", "", "国泰君安", "MCR@CN", "新到", "", "", "", 0, 1}));
    QSignalSpy title(m_win.get(), &QWinReportList::showTitle);
    QSignalSpy disableNext(m_win.get(), &QWinReportList::disablePageNext);
    QSignalSpy disableLast(m_win.get(), &QWinReportList::disablePageLast);
    show(request);
    QCOMPARE(t->rowCount(), 4);
    QCOMPARE(title.count(), 1);
    QCOMPARE(disableNext.count(), 1);
    QCOMPARE(disableLast.count(), 0);

    // Another page is a new query; the newest reports are always queried anew.
    show(request, 1);
    QCOMPARE(t->rowCount(), 0);
    show(filledRequest("RPT_NEW"));
    const int before = t->rowCount();
    QVERIFY(insertReport({108, "2017-01-06 12:30:00", "", "国泰君安", "MCR@CN", "又到", "", "", "", 0, 1}));
    show(filledRequest("RPT_NEW"));
    QCOMPARE(t->rowCount(), before + 1);
    QVERIFY(execSql("delete from T_Report where Rpt_ID in (107, 108)"));
}

void TestReportListRows::marks()
{
    addToConcernedInstList(QStringLiteral("中信证券"));
    addFavoriteReport(QStringLiteral("收藏"), QStringLiteral("103"), false);
    addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
    QVERIFY(insertReport({109, "2017-01-06 11:00:00", "", "国泰君安", "STK.COM@CN", "平安银行点评", "", "", "", 0, 1}));
    show(filledRequest("RPT_NEW"));
    QTableWidget *t = tableOf(*m_win);
    QCOMPARE(t->cellWidget(rowOf(t, "101"), 2)->styleSheet(), QStringLiteral("color:blue;"));
    QCOMPARE(t->cellWidget(rowOf(t, "103"), 2)->styleSheet(), QStringLiteral("color:gray;"));
    QVERIFY(!t->item(rowOf(t, "103"), 1)->icon().isNull());
    QVERIFY(t->item(rowOf(t, "101"), 1)->icon().isNull());
    QCOMPARE(t->cellWidget(rowOf(t, "109"), 3)->styleSheet(), QStringLiteral("color:red;"));
    QCOMPARE(t->cellWidget(rowOf(t, "101"), 3)->styleSheet(), QStringLiteral("color:black;"));

    // The main window's signals re-mark the rows after the lists changed.
    removeFromConcernedInstList(QStringLiteral("中信证券"));
    deleteFavorite(QStringLiteral("收藏"));
    deleteBlock(QStringLiteral("银行股"));
    m_win->markConcernedInst();
    m_win->markFavoriteReport();
    m_win->markBlockedStock();
    QCOMPARE(t->cellWidget(rowOf(t, "101"), 2)->styleSheet(), QStringLiteral("color:gray;"));
    QVERIFY(t->item(rowOf(t, "103"), 1)->icon().isNull());
    QCOMPARE(t->cellWidget(rowOf(t, "109"), 3)->styleSheet(), QStringLiteral("color:black;"));
    QVERIFY(execSql("delete from T_Report where Rpt_ID = 109"));
}

void TestReportListRows::requestThatDoesNotParseShowsNothing()
{
    QSignalSpy title(m_win.get(), &QWinReportList::showTitle);
    QSignalSpy disableNext(m_win.get(), &QWinReportList::disablePageNext);
    show(QStringLiteral("{\"id\": \"RPT_INS\", \"name\": \"机构报告_A\"B\", \"args\": {\"inst\": \"A\"B\"}}"));
    QCOMPARE(tableOf(*m_win)->rowCount(), 0);
    QCOMPARE(disableNext.count(), 1);
}

QTEST_MAIN(TestReportListRows)
#include "tst_reportlistrows.moc"
