// The analysis lists as the user sees them at the program's font and style sheet: the colours
// their cells paint in, the values their columns show whole and the pages of a long list.

#include "acefixture.h"

#include "matrixlistrow.h"
#include "paintedcells.h"
#include "qdlghotrating.h"
#include "qwinacelist.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QScopeGuard>
#include <QScrollBar>

#include <functional>

namespace {

QTableWidget *tableOf(QWidget *w) { return w->findChild<QTableWidget *>(); }

// The painted colour of a cell of the row keyed code (column 0's data).
QString colourAt(QTableWidget *table, const QString &code, int column, qreal part = 1.0)
{
    const int row = rowOf(table, code);
    if (row < 0)
        return QStringLiteral("no row ") + code;
    table->scrollTo(table->model()->index(row, column));
    return paintedTextColour(table, row, column, part);
}

} // namespace

class TestAnalysisOnScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;

    template<class W>
    W *open(void (W::*show)(const QString &, int), const QString &request, int page = 0)
    {
        auto *w = new W;
        m_area->addSubWindow(w, Qt::FramelessWindowHint);
        (w->*show)(request, page);
        return w;
    }

private slots:
    void initTestCase()
    {
        m_dir = openAceFixture();
        QVERIFY(m_dir);
        QVERIFY(useProgramLook());
    }

    void init()
    {
        clearUserLists();
        addBlockStock("b1", "600002.SH,999999.SH", false);
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1400, 700);
        m_area->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_area.get()));
    }

    void cleanup() { m_area.reset(); }

    // Blocked stocks red, others black above their gray codes; gray industries; a rise of the
    // institutions' count, target and estimates red, a fall green.
    void consensusColours_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("column");
        QTest::addColumn<qreal>("part");
        QTest::addColumn<QString>("colour");
        auto row = [](const char *code, int column, qreal part, const char *colour) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3").arg(code).arg(column).arg(part))) << code << column
                                                                                              << part << colour;
        };
        row("600002.SH", 0, 0.5, "red");
        row("600001.SH", 0, 0.5, "black");
        row("600001.SH", 2, 1, "gray");
        row("600001.SH", 3, 1, "red");
        row("000001.SZ", 3, 1, "green");
        row("600001.SH", 4, 1, "gray");
        row("600001.SH", 9, 0.5, "red");
        row("600001.SH", 12, 1, "red");
        row("600001.SH", 13, 1, "black");
        row("600001.SH", 14, 1, "darkgreen");
    }

    void consensusColours()
    {
        QFETCH(QString, code);
        QFETCH(int, column);
        QFETCH(qreal, part);
        auto *w = open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL"));
        QTEST(colourAt(tableOf(w), code, column, part), "colour");
    }

    void matrixAndQuoteColours()
    {
        auto *matrix = open(&QWinMatrixList::showMatrixList, filledRequest("MTX_ALL"));
        QCOMPARE(colourAt(tableOf(matrix), "600002.SH", 0, 0.5), QStringLiteral("red"));
        QCOMPARE(colourAt(tableOf(matrix), "600001.SH", 0, 0.5), QStringLiteral("black"));
        QCOMPARE(colourAt(tableOf(matrix), "600001.SH", 2), QStringLiteral("gray"));
        auto *quotes = open(&QWinQuoteList::showQuoteList, filledRequest("QUO_ALL"));
        QTableWidget *t = tableOf(quotes);
        QCOMPARE(colourAt(t, "600002.SH", 0, 0.5), QStringLiteral("red"));
        QCOMPARE(colourAt(t, "000001.SZ", 2), QStringLiteral("gray"));
        QCOMPARE(colourAt(t, "000001.SZ", 3) + colourAt(t, "000001.SZ", 4), QStringLiteral("redred"));
        QCOMPARE(colourAt(t, "002001.SZ", 3) + colourAt(t, "002001.SZ", 4), QStringLiteral("greengreen"));
        QCOMPARE(colourAt(t, "600001.SH", 3), QStringLiteral("black"));
    }

    // Followed institutions blue, followed analysts red.
    void rankingColours()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addToConcernedAnalystList(QStringLiteral("102"));
        auto *w = open(&QWinAceList::showAceList, filledRequest("ACE_ALL"));
        QTableWidget *t = tableOf(w);
        QCOMPARE(colourAt(t, "101", 1) + " " + colourAt(t, "103", 1), QStringLiteral("blue black"));
        QCOMPARE(colourAt(t, "102", 0) + " " + colourAt(t, "101", 0), QStringLiteral("red black"));
    }

    // The hot ratings name the stock in black over its gray code.
    void hotRatingColours()
    {
        QVERIFY(insertInto("T_Rating", "Rpt_ID, Ins_Name, Stk_Code, Rat_Score, Rpt_DtPublish, Rpt_DtEntry",
                           {901, "中信证券", "600001.SH", 5, "2017-01-06", "2017-01-06"}));
        QDlgHotRating dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableWidget *t = dialog.findChild<QTableWidget *>("TblStockList");
        QVERIFY(execSql("delete from T_Rating"));
        QVERIFY(t->rowCount() > 0);
        QCOMPARE(paintedTextColour(t, 0, 0, 0.5), QStringLiteral("black"));
        const QImage cell = paintedCell(t, 0, 0);
        QCOMPARE(paintedTextColour(cell.copy(0, cell.height() / 2, cell.width(), cell.height() / 2)), QStringLiteral("gray"));
    }

    // Stock names holding markup show it as written in every stock list.
    void stockNamesAreText()
    {
        QWidget *lists[] = {open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL")),
                            open(&QWinMatrixList::showMatrixList, filledRequest("MTX_ALL")),
                            open(&QWinQuoteList::showQuoteList, filledRequest("QUO_ALL"))};
        for (QWidget *w : lists) {
            QTableWidget *t = tableOf(w);
            const QString shown = shownText(labelAt(t, rowOf(t, "600002.SH"), 0));
            QVERIFY2(shown.startsWith(QStringLiteral("<b>阿尔法</b>")), qPrintable(shown));
        }
    }

    // A value-matrix grade is text: markup in it shows as written.
    void matrixGradeIsText()
    {
        QLabel label;
        label.setTextFormat(Qt::RichText);
        label.setText(matrixLevelHtml(8, QStringLiteral("<b>A</b>&")));
        QVERIFY2(shownText(&label).endsWith(QStringLiteral("<b>A</b>&")), qPrintable(shownText(&label)));
    }

    // Paging forward through a long list shows every record once, in order, each row whole,
    // whatever the window's size (the row numbers widen as the pages go on).
    // rows: 0 for a window of that size; else a window one pixel too narrow for the columns beside
    // the list's longest row numbers, as high as that many rows with no horizontal scroll bar:
    // numbers as wide on every page keep that bar on every page, while numbers that widen from
    // page to page (9 to 10, 99 to 100) bring it up over the last row of some page.
    void pagesShowEveryRecordOnce_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("rows");
        for (int width : {900, 1150, 1190, 1210, 1230, 1250, 1280, 1600}) {
            for (int height : {420, 575, 800})
                QTest::newRow(qPrintable(QStringLiteral("%1x%2").arg(width).arg(height))) << QSize(width, height) << 0;
        }
        for (int rows : {6, 10, 11, 17})
            QTest::addRow("a pixel too narrow, %d rows high", rows) << QSize(1600, 900) << rows;
    }

    void pagesShowEveryRecordOnce()
    {
        QFETCH(QSize, size);
        QFETCH(int, rows);
        const int extra = 150;
        QVERIFY(mainDatabase().transaction());
        for (int i = 0; i < extra; ++i) {
            const QString code = QStringLiteral("603%1.SH").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(insertInto("T_Stock", "Stk_Code, Stk_Name, Ind_Name, Prc_Close, Stk_Share, Prc_Date, Stk_Quit",
                               {code, QStringLiteral("股票%1").arg(i), "银行", 10, 100, "2017-01-06", 0}));
            QVERIFY(insertInto("T_Consensus", "Stk_Code, Cns_Type, Cns_DtUpdate, Ins_Count, Rat_Count",
                               {code, "TDY", kToday, 1, 1}));
        }
        QVERIFY(mainDatabase().commit());
        const auto removeExtra = [] {
            return execSql("delete from T_Consensus where Stk_Code like '603%'")
                   && execSql("delete from T_Stock where Stk_Code like '603%'");
        };
        // The other functions see the fixture alone, also after a failure here.
        auto cleanup = qScopeGuard([&] {
            removeExtra();
            loadStockCache();
        });
        loadStockCache();
        m_area->resize(size);
        auto *w = open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL"));
        QTableWidget *t = tableOf(w);
        auto *pager = w->findChild<QScrollBar *>(QStringLiteral("scbPager"));
        if (rows > 0) {
            // Measured at the last page, whose numbers are the longest.
            w->showConsensusList(filledRequest("CNS_ALL"), pager->maximum());
            QTest::qWait(0);
            QVERIFY(!t->horizontalScrollBar()->isVisible());
            m_area->resize(m_area->width() - t->viewport()->width() + t->horizontalHeader()->length() - 1,
                           m_area->height() - t->viewport()->height() + rows * t->verticalHeader()->defaultSectionSize());
            QTRY_VERIFY(t->horizontalScrollBar()->isVisible());
        }
        QStringList numbers, keys, cut;
        for (int page = 0; page <= pager->maximum(); ++page) {
            w->showConsensusList(filledRequest("CNS_ALL"), page);
            QTest::qWait(0);
            for (int r = 0; r < t->rowCount(); ++r) {
                numbers << t->verticalHeaderItem(r)->text();
                keys << t->item(r, 0)->data(Qt::UserRole).toString();
                if (!rowFullyVisible(t, r))
                    cut << QStringLiteral("page %1 row %2").arg(page).arg(numbers.last());
            }
        }
        cleanup.dismiss();
        QVERIFY(removeExtra());
        loadStockCache();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
        QStringList expected;
        for (int n = 1; n <= keys.size(); ++n)
            expected << QString::number(n);
        QCOMPARE(numbers, expected);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        QCOMPARE(keys.size(), extra + 5);
    }

    // A list keeps its cell labels from page to page: a page shown after another looks as it
    // did when shown first - no colour, tool tip, link, picture or row left over from the page
    // between (a longer one, one with other marks).
    void pagesLookTheSameAfterOthers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("consensus") << 0;
        QTest::newRow("value matrix") << 1;
        QTest::newRow("quotes") << 2;
        QTest::newRow("ranking") << 3;
    }

    void pagesLookTheSameAfterOthers()
    {
        QFETCH(int, kind);
        addToConcernedInstList(QStringLiteral("中信证券"));
        addToConcernedAnalystList(QStringLiteral("102"));
        // A low window: the fixture's lists run over more than one page, the last one shorter.
        m_area->resize(1400, 170);
        // A window of the kind opened at the page, and the request of that page.
        const auto openAt = [this, kind](int page) -> std::pair<QWidget *, std::function<void(int)>> {
            switch (kind) {
            case 0: {
                auto *list = open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL"), page);
                return {list, [list](int p) { list->showConsensusList(filledRequest("CNS_ALL"), p); }};
            }
            case 1: {
                auto *list = open(&QWinMatrixList::showMatrixList, filledRequest("MTX_ALL"), page);
                return {list, [list](int p) { list->showMatrixList(filledRequest("MTX_ALL"), p); }};
            }
            case 2: {
                auto *list = open(&QWinQuoteList::showQuoteList, filledRequest("QUO_ALL"), page);
                return {list, [list](int p) { list->showQuoteList(filledRequest("QUO_ALL"), p); }};
            }
            default: {
                auto *list = open(&QWinAceList::showAceList, filledRequest("ACE_ALL"), page);
                return {list, [list](int p) { list->showAceList(filledRequest("ACE_ALL"), p); }};
            }
            }
        };
        const auto window = openAt(0);
        QTableWidget *t = tableOf(window.first);
        const int firstRows = t->rowCount();
        const int last = window.first->findChild<QScrollBar *>(QStringLiteral("scbPager"))->maximum();
        QVERIFY2(last >= 1, qPrintable(QStringLiteral("%1 pages of %2 rows").arg(last + 1).arg(firstRows)));
        for (int page : {last, 0, last}) {
            window.second(page);
            QTest::qWait(0);
            const ShownPage again = shownPage(t);
            if (page == last)
                QVERIFY2(t->rowCount() < firstRows, "the last page is as long as the first");
            // The same page in a window that showed no other.
            const auto fresh = openAt(page);
            QTest::qWait(0);
            const ShownPage first = shownPage(tableOf(fresh.first));
            m_area->removeSubWindow(fresh.first);
            delete fresh.first;
            QVERIFY2(again == first, qPrintable(QStringLiteral("page %1\n").arg(page) + pageDifference(first, again)));
        }
    }

    // Qt's own minimum of a header section (the widest character of its font) does not widen
    // the report-dot column.
    void narrowColumnsStayNarrow()
    {
        const QFont programFont = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        QWidget *lists[] = {open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL")),
                            open(&QWinMatrixList::showMatrixList, filledRequest("MTX_ALL")),
                            open(&QWinQuoteList::showQuoteList, filledRequest("QUO_ALL"))};
        QApplication::setFont(programFont);
        for (QWidget *w : lists) {
            QTableWidget *t = tableOf(w);
            QVERIFY(QFontMetrics(t->horizontalHeader()->font()).maxWidth() > 25);
            QCOMPARE(t->columnWidth(1), 25);
        }
    }

    // At the program's font each list shows whole its industries, prices and PEG.
    void columnsShowTheirValues()
    {
        const QStringList industries{QStringLiteral("汽车及零部件"), QStringLiteral("电子元器件")};
        const QStringList prices = digitTexts({"dddd.dd"}), pegs = digitTexts({"dd.dd", "ddd.dd"});
        struct Check
        {
            QWidget *window;
            int column;
            QStringList texts;
        };
        QWidget *consensus = open(&QWinConsensusList::showConsensusList, filledRequest("CNS_ALL"));
        QWidget *matrix = open(&QWinMatrixList::showMatrixList, filledRequest("MTX_ALL"));
        QWidget *quotes = open(&QWinQuoteList::showQuoteList, filledRequest("QUO_ALL"));
        QWidget *ranking = open(&QWinAceList::showAceList, filledRequest("ACE_ALL"));
        const QList<Check> checks = {{consensus, 2, industries}, {consensus, 9, digitTexts({"dddd.dd ~ dddd.dd↑"})}, {consensus, 10, prices}, {consensus, 17, pegs},
                                     {matrix, 2, industries},    {matrix, 13, prices},    {matrix, 21, pegs},
                                     {quotes, 2, industries},    {quotes, 3, prices},     {ranking, 2, industries}};
        for (const Check &check : checks) {
            QTableWidget *t = tableOf(check.window);
            QFont font = t->font();
            if (QWidget *label = t->cellWidget(0, check.column))
                font = label->font();
            const QStringList cut = cutTexts(t, check.column, check.texts, font);
            QVERIFY2(cut.isEmpty(), qPrintable(check.window->metaObject()->className() + QStringLiteral(" column %1: ")
                                                   .arg(check.column) + cut.join(", ")));
        }
    }
};

QTEST_MAIN(TestAnalysisOnScreen)
#include "tst_analysisonscreen.moc"
