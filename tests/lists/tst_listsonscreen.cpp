// The report and rating lists as the user sees them: where a new page or list opens, and the
// colours their marks paint in.

#include "ratingfixture.h"

#include "paintedcells.h"
#include "qwinratinglist.h"
#include "ratinglistcolumns.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScrollBar>

namespace {

constexpr int kMany = 120; // more than two pages of 50
const QString kMarkupInst = QStringLiteral("O'Neil&\"Co\"");
const QString kMarkupTitle = QStringLiteral("PE<10倍 & \"低估\" 'A'");
const QString kMarkupRating = QStringLiteral("买入&'\"增持");
const QString kMarkupStock = QStringLiteral("A&B<i>'q'");

// Counts the hide events of a widget.
class HideCounter : public QObject
{
public:
    explicit HideCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Hide;
        return false;
    }
};

// The texts every label of a row shows, joined by "|".
QString shownRow(QTableWidget *table, int row)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c) {
        if (auto *label = qobject_cast<QLabel *>(table->cellWidget(row, c)))
            texts << shownText(label).replace(QChar::LineSeparator, QLatin1Char(' ')).simplified();
    }
    return texts.join(QLatin1Char('|'));
}

// The first row fully shown in the table's viewport, by its row number; "" for none.
QString firstShownNumber(QTableWidget *table)
{
    for (int r = 0; r < table->rowCount(); ++r) {
        if (rowFullyVisible(table, r))
            return table->verticalHeaderItem(r)->text();
    }
    return QString();
}

// Scrolls to the page's end, as a reader does.
void readToEnd(QTableWidget *table)
{
    QTest::qWait(0);
    table->scrollToBottom();
    QVERIFY(!rowFullyVisible(table, 0));
}

// A new page or list opens at its first row; the same page read again keeps the user's place.
template<class Win>
void opensAtTop(void (Win::*show)(const QString &, int), const char *newestKind, const char *instKind)
{
    Win win;
    auto *table = win.template findChild<QTableWidget *>();
    const auto showPage = [&](const QString &request, int page) {
        (win.*show)(request, page);
        QTest::qWait(0);
    };
    const QString newest = filledRequest(newestKind);
    (win.*show)(newest, 0);
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QCOMPARE(table->rowCount(), 50);
    readToEnd(table);
    const QString readPlace = firstShownNumber(table);
    showPage(newest, 0); // the newest read anew
    QCOMPARE(firstShownNumber(table), readPlace);
    showPage(newest, 1);
    QCOMPARE(firstShownNumber(table), QStringLiteral("51"));
    readToEnd(table);
    showPage(filledRequest(instKind, {{"inst", "华泰证券"}}), 0);
    QCOMPARE(firstShownNumber(table), QStringLiteral("1"));
}

} // namespace

class TestListsOnScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    // Scrolls the table to its last row, as reading a page to its end does.
private slots:
    void initTestCase()
    {
        m_dir = openRatingFixture();
        QVERIFY(m_dir);
        bool ok = true;
        // Types by turns: one without an icon, one with another icon, none stored (a PDF's).
        const char *const types[] = {"TXT", "DOC", ""};
        for (int i = 0; i < kMany; ++i) {
            QString entry = QDateTime(QDate(2017, 1, 6), QTime(8, 0)).addSecs(-60 * i).toString(Qt::ISODate);
            ok = ok && insertReport({1000 + i, entry.replace('T', ' '), "", "华泰证券", "STK.COM@CN",
                                     QStringLiteral("中国银行(601988) 报告 %1").arg(i), "", "601988.SH", "银行", 0, 1,
                                     QLatin1String(types[i % 3])});
            ok = ok && insertRating({1000 + i, "2017-01-03", "华泰证券", "", "601988.SH", "买入", 4, "M", 3});
        }
        // Rated at 1.357, the stock has risen 157.9 % since.
        ok = ok && insertRating({1310, "2017-01-06", "华泰证券", "", "601988.SH", "买入", 4, "M", 1.357});
        // Texts holding markup characters.
        ok = ok && insertReport({1300, "2017-01-06 16:00:00", "", kMarkupInst, "STK.COM@CN", kMarkupTitle,
                                 "A&B[1001]", "000002.SZ", "地产"})
             && insertRating({1300, "2017-01-06", kMarkupInst, "A&B[1001]", "000002.SZ", kMarkupRating, 4, "M", 3})
             && execSql("insert into T_Stock (Stk_Code, Stk_Name, Ind_Name, Prc_Close, Prc_Factor, Stk_Quit) "
                        "values ('000002.SZ', ?, '地产&<i>', 10, 1, 0)", {kMarkupStock});
        QVERIFY(ok);
        loadStockCache();
        QVERIFY(useProgramLook());
    }

    void init() { clearUserLists(); }

    // A new page or a new list opens at its first row; the same page again keeps the place.
    void reportListOpensAtTop() { opensAtTop<QWinReportList>(&QWinReportList::showReportList, "RPT_NEW", "RPT_INS"); }
    void ratingListOpensAtTop() { opensAtTop<QWinRatingList>(&QWinRatingList::showRatingList, "RAT_NEW", "RAT_INS"); }

    // Names, titles and ratings show their "&", quotes and brackets as they stand.
    void markupCharactersShowAsText()
    {
        QWinReportList reports;
        reports.showReportList(filledRequest("RPT_NEW"), 0);
        auto *table = reports.findChild<QTableWidget *>();
        QCOMPARE(shownRow(table, rowOf(table, "1300")),
                 QStringLiteral("|O'Neil&\"Co\"|【公司研究】PE<10倍 & \"低估\" 'A' - 0106|A&B|"));
        QWinRatingList ratings;
        ratings.showRatingList(filledRequest("RAT_NEW"), 0);
        table = ratings.findChild<QTableWidget *>();
        QCOMPARE(shownRow(table, rowOf(table, "1300")),
                 QStringLiteral("|O'Neil&\"Co\"|A&B|A&B<i>'q' 000002.SZ|地产&<i>|买入&'\"增持(-)||-|-|-||"));
    }

    // At the program's font (bold while unread) the rating list shows whole the dates of
    // earlier years, prices, rises of 100 % and more, PEG of 10 and more and long industry
    // names; its mark column is as narrow as asked.
    void ratingColumnsShowTheirValues_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("texts");
        const QStringList industries{QStringLiteral("汽车及零部件"), QStringLiteral("电子元器件")};
        QTest::newRow("date") << int(RatingTable::ColDate) << digitTexts({"dd/dd/dd"});
        QTest::newRow("industry") << int(RatingTable::ColIndustry) << industries;
        QTest::newRow("publication price") << int(RatingTable::ColPricePub) << digitTexts({"dddd.dd", "ddd.dd(*)", "dddd.dd(*)"});
        QTest::newRow("target") << int(RatingTable::ColTarget)
                                << digitTexts({"ddd.dd ~ ddd.dd↓", "dddd.dd ~ dddd.dd(*)↑"});
        QTest::newRow("price") << int(RatingTable::ColClose) << digitTexts({"dddd.dd"});
        QTest::newRow("change") << int(RatingTable::ColChange) << digitTexts({"ddd.d", "dddd.d", "-dd.d"}) + QStringList{"-100.0"};
        QTest::newRow("PEG") << int(RatingTable::ColPeg) << digitTexts({"dd.dd", "ddd.dd"});
    }

    void ratingColumnsShowTheirValues()
    {
        QFETCH(int, column);
        QFETCH(QStringList, texts);
        QWinRatingList win;
        win.showRatingList(filledRequest("RAT_NEW"), 0);
        auto *table = win.findChild<QTableWidget *>();
        QFont font = table->font();
        if (auto *label = qobject_cast<QLabel *>(table->cellWidget(0, column)))
            font = label->font();
        font.setBold(true);
        QCOMPARE(cutTexts(table, column, texts, font), QStringList());
        // And the page's own values, each at the font it is painted with.
        QStringList cut;
        for (int r = 0; r < table->rowCount(); ++r) {
            const auto *label = qobject_cast<QLabel *>(table->cellWidget(r, column));
            const QTableWidgetItem *item = table->item(r, column);
            // Each line of a label (a smaller second line measured at the label's font).
            const QStringList lines = (label ? shownText(label) : item->text()).split(QLatin1Char('\n'));
            cut << cutTexts(table, column, lines, label ? label->font() : item->font());
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
        // Every other column keeps its width.
        const int widths[RatingTable::ColumnCount] = {60, 25, 80, 90, 80, 70, 90, 40, 60, 110, 60,
                                                      45, 52, 52, 52, 52, 55, 50, 45, 45, 45};
        for (int c = 0; c < RatingTable::ColumnCount; ++c) {
            if (c != column && !QVector<int>{RatingTable::ColDate, RatingTable::ColIndustry, RatingTable::ColPricePub,
                                             RatingTable::ColTarget, RatingTable::ColClose, RatingTable::ColChange,
                                             RatingTable::ColPeg}
                                       .contains(c))
                QCOMPARE(table->columnWidth(c), widths[c]);
        }
    }

    // Qt's own minimum of a header section (the widest character of its font) does not
    // widen the mark column.
    void ratingMarkColumnIsNarrow()
    {
        const QFont programFont = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        QWinRatingList win;
        win.showRatingList(filledRequest("RAT_NEW"), 0);
        QApplication::setFont(programFont);
        auto *table = win.findChild<QTableWidget *>();
        QVERIFY(QFontMetrics(table->horizontalHeader()->font()).maxWidth() > 25);
        QCOMPARE(table->columnWidth(RatingTable::ColStar), 25);
    }

    // A list keeps its cell labels from page to page: a page shown after another looks as it
    // did when shown first - no colour, boldness, tool tip, link, picture or row left over
    // from the page between (a longer one, one with other marks, read or unread rows).
    void pagesLookTheSameAfterOthers_data()
    {
        QTest::addColumn<bool>("ratings");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("betweenPage");
        const QString huatai = filledRequest("RPT_INS", {{"inst", "华泰证券"}});
        QTest::newRow("reports, other marks between") << false << filledRequest("RPT_NEW") << 0 << huatai << 0;
        QTest::newRow("reports of one institution") << false << huatai << 0 << filledRequest("RPT_NEW") << 0;
        QTest::newRow("short page, a full one between") << false << filledRequest("RPT_NEW") << 2
                                                        << filledRequest("RPT_NEW") << 0;
        const QString ratingsOfHuatai = filledRequest("RAT_INS", {{"inst", "华泰证券"}});
        QTest::newRow("ratings, other marks between") << true << filledRequest("RAT_NEW") << 0 << ratingsOfHuatai << 0;
        QTest::newRow("ratings of one institution") << true << ratingsOfHuatai << 0 << filledRequest("RAT_NEW") << 0;
        QTest::newRow("short rating page, a full one between") << true << filledRequest("RAT_NEW") << 2
                                                               << filledRequest("RAT_NEW") << 0;
    }

    void pagesLookTheSameAfterOthers()
    {
        QFETCH(bool, ratings);
        QFETCH(QString, request);
        QFETCH(int, page);
        QFETCH(QString, between);
        QFETCH(int, betweenPage);
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("601988.SH,000001.SZ"), false);
        // A rating of a stock the program does not know: its industry is no link.
        QVERIFY(insertRating({1400, "2017-01-05", "华泰证券", "", "999999.SH", "买入", 4, "M", 3}));
        // Every third report and rating read: rows differ in boldness from page to page.
        const QString readReports = sqlText("select group_concat(Rpt_ID) from T_Report where Rpt_Readed = 1");
        const QString readRatings = sqlText("select group_concat(Rpt_ID) from T_Rating where Rat_Readed = 1");
        QVERIFY(execSql("update T_Report set Rpt_Readed = (Rpt_ID % 3 = 0)")
                && execSql("update T_Rating set Rat_Readed = (Rpt_ID % 3 = 0)"));
        QWinReportList reports;
        QWinRatingList ratingList;
        QMdiSubWindow *win = ratings ? static_cast<QMdiSubWindow *>(&ratingList) : &reports;
        auto *table = win->findChild<QTableWidget *>();
        const auto show = [&](const QString &r, int p) {
            if (ratings)
                ratingList.showRatingList(r, p);
            else
                reports.showReportList(r, p);
            QTest::qWait(0);
        };
        win->resize(1300, 700);
        show(request, page);
        QVERIFY(QTest::qWaitForWindowExposed(win));
        QVERIFY(table->rowCount() > 0);
        const ShownPage first = shownPage(table);
        show(between, betweenPage);
        QVERIFY(shownPage(table).labels != first.labels);
        show(request, page);
        const ShownPage again = shownPage(table);
        QVERIFY(execSql(QStringLiteral("update T_Report set Rpt_Readed = (Rpt_ID in (%1))").arg(readReports))
                && execSql(QStringLiteral("update T_Rating set Rat_Readed = (Rpt_ID in (%1))").arg(readRatings))
                && execSql("delete from T_Rating where Rpt_ID = 1400"));
        QVERIFY2(again == first, qPrintable(pageDifference(first, again)));
    }

    // A page hides the viewport only while it makes labels, for rows the page before did not
    // have: hidden, the viewport loses its pointer state and asks the window system for it
    // again when shown.
    void viewportHiddenOnlyForNewLabels_data()
    {
        QTest::addColumn<bool>("ratings");
        QTest::newRow("reports") << false;
        QTest::newRow("ratings") << true;
    }

    void viewportHiddenOnlyForNewLabels()
    {
        QFETCH(bool, ratings);
        QWinReportList reports;
        QWinRatingList ratingList;
        QMdiSubWindow *win = ratings ? static_cast<QMdiSubWindow *>(&ratingList) : &reports;
        const QString request = filledRequest(ratings ? "RAT_NEW" : "RPT_NEW");
        const auto show = [&](int page) {
            if (ratings)
                ratingList.showRatingList(request, page);
            else
                reports.showReportList(request, page);
            QTest::qWait(0);
        };
        show(0);
        QVERIFY(QTest::qWaitForWindowExposed(win));
        QWidget *viewport = win->findChild<QTableWidget *>()->viewport();
        HideCounter hides(viewport);
        // A full page after a full one, a short one, a full one after the short one.
        QStringList seen; // per page: "more rows" or not, then the times the viewport was hidden
        int rows = 50;
        for (int page : {1, 2, 0}) {
            hides.count = 0;
            show(page);
            QVERIFY(viewport->isVisible());
            const int shown = win->findChild<QTableWidget *>()->rowCount();
            seen << QStringLiteral("%1:%2").arg(shown > rows ? "more" : "less or as many").arg(hides.count);
            rows = shown;
        }
        QCOMPARE(seen.join(", "), QStringLiteral("less or as many:0, less or as many:0, more:1"));
    }

    // The report list's marks as painted: followed institutions blue, others gray, titles
    // naming a blocked stock red.
    void reportListMarks()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("601988.SH"), false);
        QWinReportList win;
        auto *table = win.findChild<QTableWidget *>();
        win.showReportList(filledRequest("RPT_NEW"), 0);
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        const int followed = rowOf(table, "201"), plain = rowOf(table, "1000");
        QVERIFY(followed >= 0 && plain >= 0);
        const auto colourAt = [table](int row, int column) {
            table->scrollTo(table->model()->index(row, column));
            return paintedTextColour(table, row, column);
        };
        QCOMPARE(colourAt(followed, 2), QStringLiteral("blue"));
        QCOMPARE(colourAt(plain, 2), QStringLiteral("gray"));
        QCOMPARE(colourAt(plain, 3), QStringLiteral("red"));
        QCOMPARE(colourAt(followed, 3), QStringLiteral("black"));
    }
};

QTEST_MAIN(TestListsOnScreen)
#include "tst_listsonscreen.moc"
