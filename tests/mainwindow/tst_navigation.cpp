#include "mainwindowtest.h"

#include "globalstate.h"
#include "listrequest.h"
#include "mainwindowkeys.h"
#include "orderhistory.h"
#include "daypricestore.h"
#include "dbconnection.h"
#include "qchart.h"
#include "qwinchart.h"
#include "qwinmain.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "stockcache.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolButton>

Q_DECLARE_METATYPE(ShownWindow)

namespace {

QString industryList(int n)
{
    return fillListRequest(getOrderJson(QStringLiteral("RPT_IND")), {{"%ind%", QString::number(n)}});
}

} // namespace

// The navigation history, the pager, the refresh on the engine's notices and the keys.
class TestNavigation : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;

    bool enabled(const char *button) { return window->findChild<QToolButton *>(button)->isEnabled(); }

    // Where a user's key goes: the widget with the focus, else the window.
    QWidget *keyTarget()
    {
        QWidget *focus = QApplication::focusWidget();
        return focus ? focus : window.data();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        // A stock whose code is one character, so that a typed digit needs no lookup.
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600000.SH', '浦发银行', 0), "
                        "('600004.SH', '白云机场', 0), ('6', '六', 0)"));
        window.reset(new QWinMain);
        QVERIFY(showExposed(*window));
        QApplication::setActiveWindow(window.data());
    }

    void cleanupTestCase() { window.reset(); }

    void init()
    {
        while (getOrderHistoryCount() > 0)
            popOrderHistory();
        clearCurrentStockList();
    }

    // A walk through two lists and their pages; after each step the history's depth, the page on
    // top, which of back, first and previous are enabled, and the list last shown with its page.
    void backAndPager()
    {
        const QString a = getOrderJson(QStringLiteral("RPT_INB")), b = getOrderJson(QStringLiteral("RPT_COD_MACRO"));
        QSignalSpy shown(window.data(), &QWinMain::showReportList);
        const auto state = [&] {
            return QString::number(getOrderHistoryCount()) + ':' + QString::number(getOrderHistoryTopPage()) + ':'
                   + (enabled("btnBack") ? 'B' : '-') + (enabled("btnPageFirst") ? 'F' : '-')
                   + (enabled("btnPagePrevious") ? 'P' : '-') + ':' + (shown.last().at(0) == a ? 'a' : 'b')
                   + shown.last().at(1).toString();
        };
        const QList<QPair<std::function<void()>, QString>> steps = {
            {[&] { window->showList(a, 0); }, "1:0:---:a0"},
            {[&] { window->showList(b, 2); }, "2:2:BFP:b2"},
            {[&] { window->goPageNext(); }, "2:3:BFP:b3"},
            {[&] { window->goPagePrevious(); }, "2:2:BFP:b2"},
            {[&] { window->goPageFirst(); }, "2:0:B--:b0"},
            {[&] { window->goPageNext(); }, "2:1:BFP:b1"},
            {[&] { window->goPageBack(); }, "1:0:---:a0"},
            {[&] { window->goPageBack(); }, "1:0:---:a0"},
            {[&] { window->goPageNext(); }, "1:1:-FP:a1"},
            {[&] { window->showList(b, 0); }, "2:0:B--:b0"},
            // Back returns to a list at the page it was left on.
            {[&] { window->goPageBack(); }, "1:1:-FP:a1"},
            {[&] { window->showLastList(); }, "1:1:-FP:a1"},
            // The request on top again only changes its page.
            {[&] { window->showList(a, 5); }, "1:5:-FP:a5"},
        };
        for (int i = 0; i < steps.size(); ++i) {
            steps.at(i).first();
            QVERIFY2(state() == steps.at(i).second, qPrintable(QString("step %1: %2").arg(i).arg(state())));
        }
    }

    // The 21st distinct request drops the oldest; unreadable requests are kept, empty ones and
    // unknown ids are no requests.
    void historyKeepsTwentyLists()
    {
        for (int n = 1; n <= 21; ++n)
            window->showList(industryList(n), 0);
        QCOMPARE(getOrderHistoryCount(), 20);
        for (int n = 21; n > 2; --n)
            window->goPageBack();
        QCOMPARE(getOrderHistoryTop(), industryList(2));
        window->showList(QStringLiteral("not json"), 1);
        window->showList(QString(), 0);
        QAction unknown;
        unknown.setProperty("ID", QStringLiteral("NO_SUCH_LIST"));
        connect(&unknown, &QAction::triggered, window.data(), &QWinMain::onActionClicked);
        unknown.trigger();
        QCOMPARE(getOrderHistoryTop(), QStringLiteral("not json"));
        QCOMPARE(getOrderHistoryCount(), 2);
        for (const QString &request : {QStringLiteral("RPT_NEW"), QStringLiteral("[\"RPT_NEW\"]"),
                                       QStringLiteral("{\"name\": \"x\"}"), QString()})
            QCOMPARE(listRequestId(request), QString());
    }

    void newestReportsAndRatings_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("reports");
        QTest::addColumn<bool>("ratings");
        QTest::newRow("newest reports, first page") << "RPT_NEW" << 0 << true << false;
        QTest::newRow("newest reports, later page") << "RPT_NEW" << 1 << false << false;
        QTest::newRow("other reports") << "RPT_INB" << 0 << false << false;
        QTest::newRow("newest ratings") << "RAT_NEW" << 0 << false << true;
        QTest::newRow("ratings of a kind") << "RAT_FST" << 0 << false << true;
        QTest::newRow("ratings, later page") << "RAT_NEW" << 2 << false << false;
        QTest::newRow("consensus") << "CNS_ALL" << 0 << false << false;
    }

    void newestReportsAndRatings()
    {
        QFETCH(QString, id);
        QFETCH(int, page);
        QFETCH(bool, reports);
        QFETCH(bool, ratings);
        const QString request = getOrderJson(id);
        window->showList(getOrderJson(QStringLiteral("ACE_ALL")), 0);
        window->showList(request, page);
        QSignalSpy reportLists(window.data(), &QWinMain::showReportList);
        QSignalSpy ratingLists(window.data(), &QWinMain::showRatingList);
        window->showNewestReport();
        window->showNewestRating();
        QCOMPARE(reportLists.count(), reports ? 1 : 0);
        QCOMPARE(ratingLists.count(), ratings ? 1 : 0);
        for (const QSignalSpy *spy : {&reportLists, &ratingLists}) {
            if (!spy->isEmpty())
                QCOMPARE(spy->last(), QVariantList({request, 0}));
        }
        QCOMPARE(getOrderHistoryCount(), 2);
        QCOMPARE(getOrderHistoryTop(), request);
    }

    // A rating list refreshed while the chart is on screen comes back in front.
    void newestRatingsOverTheChart()
    {
        window->showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        emit window->showChart(QStringLiteral("600000.SH"));
        QVERIFY(!window->findChild<QWinRatingList *>()->isMaximized());
        window->showNewestRating();
        QVERIFY(window->findChild<QWinRatingList *>()->isMaximized());
    }

    void keyCommands_data()
    {
        QTest::addColumn<bool>("release");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<ShownWindow>("shown");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("modifiers");
        using S = ShownWindow;
        using K = KeyCommand;
        const auto row = [](const char *name, bool release, int key, const char *text, S shown, int depth,
                            K::Effect effect, const char *argument = "", int modifiers = Qt::NoModifier) {
            QTest::newRow(name) << release << key << text << shown << depth << int(effect) << argument << modifiers;
        };
        row("letter, ratings", false, Qt::Key_A, "a", S::RatingList, 1, K::RatingOfStock, "a");
        row("digit, consensus", false, Qt::Key_0, "0", S::ConsensusList, 1, K::ConsensusOfStock, "0");
        row("letter, matrix", false, Qt::Key_Z, "Z", S::MatrixList, 1, K::MatrixOfStock, "Z");
        row("digit, chart", false, Qt::Key_9, "9", S::Chart, 1, K::ChartOfStock, "9");
        row("other character", false, Qt::Key_Minus, "-", S::ReportList, 1, K::PassOn);
        row("digit released", true, Qt::Key_6, "6", S::ReportList, 1, K::PassOn);
        row("escape, one list", false, Qt::Key_Escape, "", S::ReportList, 1, K::CloseWindow);
        row("escape released", true, Qt::Key_Escape, "", S::Other, 2, K::PassOn);
        row("up pressed", false, Qt::Key_Up, "", S::Chart, 1, K::PassOn);
        row("page down pressed", false, Qt::Key_PageDown, "", S::Chart, 1, K::PassOn);
        row("page up, chart", true, Qt::Key_PageUp, "", S::Chart, 1, K::ChartOfStock, "000001.SZ");
        row("page down, chart", true, Qt::Key_PageDown, "", S::Chart, 1, K::ChartOfStock, "600036.SH");
        row("page down, list", true, Qt::Key_PageDown, "", S::ReportList, 1, K::Consume);
        // Letters and digits with Ctrl, Alt or Meta are commands, not stock codes; Shift still types.
        row("ctrl+c, reports", false, Qt::Key_C, "\x03", S::ReportList, 1, K::PassOn, "", Qt::ControlModifier);
        row("ctrl+o, chart", false, Qt::Key_O, "\x0f", S::Chart, 1, K::PassOn, "", Qt::ControlModifier);
        row("alt+6, ratings", false, Qt::Key_6, "6", S::RatingList, 1, K::PassOn, "", Qt::AltModifier);
        row("meta+a, matrix", false, Qt::Key_A, "a", S::MatrixList, 1, K::PassOn, "", Qt::MetaModifier);
        row("shift+a, reports", false, Qt::Key_A, "A", S::ReportList, 1, K::ReportOfStock, "A", Qt::ShiftModifier);
        row("keypad 6, chart", false, Qt::Key_6, "6", S::Chart, 1, K::ChartOfStock, "6", Qt::KeypadModifier);
    }

    // What typedKeys() does not type.
    void keyCommands()
    {
        QFETCH(bool, release);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(ShownWindow, shown);
        QFETCH(int, depth);
        QFETCH(int, effect);
        QFETCH(QString, argument);
        QFETCH(int, modifiers);
        // The chart steps through the current stock list, set here as the lists will set it.
        setCurrentStockList({"000001.SZ", "600000.SH", "600036.SH"});
        const KeyCommand command = keyCommand(release ? QEvent::KeyRelease : QEvent::KeyPress, key, text, shown,
                                              depth, QStringLiteral("600000.SH"), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(int(command.effect), effect);
        QCOMPARE(command.argument, argument);
    }

    // Keys typed as a user types them, to the widget that has the focus.
    void typedKeys()
    {
        QSignalSpy reports(window.data(), &QWinMain::showReportList);
        window->showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
        QTest::keyClick(keyTarget(), Qt::Key_6);
        QCOMPARE(reports.last().first().toString(),
                 fillListRequest(getOrderJson("RPT_STK"), {{"%stkCode%", "6"}, {"%stkName%", "六"}}));
        // A character that is no code opens the lookup; cancelled, nothing changes. On the
        // analyst ranking a digit does nothing.
        {
            ModalWatcher lookups;
            lookups.rejectDialogsOf("QDlgGenius");
            QTest::keyClick(keyTarget(), Qt::Key_7);
            QCOMPARE(lookups.count(), 1);
            // Handed to the status bar, as X does with the pointer over it.
            QTest::keyClick(static_cast<QWidget *>(window->statusBar()), Qt::Key_7);
            QCOMPARE(lookups.count(), 2);
            // Ctrl with a letter that neither a shortcut nor the focused widget takes opens none.
            QTest::keyClick(window->centralWidget(), Qt::Key_E, Qt::ControlModifier);
            QTest::qWait(60);
            QCOMPARE(lookups.count(), 2);
            QCOMPARE(getOrderHistoryCount(), 2);
            window->showList(getOrderJson(QStringLiteral("ACE_ALL")), 0);
            QTest::keyClick(keyTarget(), Qt::Key_6);
            QTest::qWait(60);
            QCOMPARE(lookups.count(), 2);
            QCOMPARE(getOrderHistoryCount(), 3);
        }

        // Up and Down zoom whatever is on screen.
        QSignalSpy zoomIn(window.data(), &QWinMain::zoomInChart);
        QSignalSpy zoomOut(window.data(), &QWinMain::zoomOutChart);
        QTest::keyClick(keyTarget(), Qt::Key_Up);
        QTest::keyClick(keyTarget(), Qt::Key_Down);
        QTest::keyClick(keyTarget(), Qt::Key_Down);
        QCOMPARE(zoomIn.count(), 1);
        QCOMPARE(zoomOut.count(), 2);

        // Escape goes back; over the chart it shows the list on top again.
        QTest::keyClick(keyTarget(), Qt::Key_Escape);
        QCOMPARE(getOrderHistoryCount(), 2);
        QVERIFY(window->findChild<QWinReportList *>()->isMaximized());
        emit window->showChart(QStringLiteral("600000.SH"));
        reports.clear();
        QTest::keyClick(keyTarget(), Qt::Key_Escape);
        QCOMPARE(reports.count(), 1);
        QCOMPARE(getOrderHistoryCount(), 2);
        QVERIFY(window->findChild<QWinReportList *>()->isMaximized());

        // With one list left, Escape asks to close; no keeps the window.
        window->goPageBack();
        ModalWatcher boxes(QMessageBox::No);
        QTest::keyClick(keyTarget(), Qt::Key_Escape);
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("您确定要关闭程序吗?"));
        QVERIFY(window->isVisible());
    }

    // Typing into the report list's search field while the engine's newest reports arrive: the
    // refresh leaves the focus in the field, so every letter lands there and none opens the
    // lookup. Another window on screen takes the focus, so a digit goes to the lookup again.
    void refreshLeavesTheFocusWhereItIs()
    {
        window->showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
        auto *reports = window->findChild<QWinReportList *>();
        QLineEdit *field = nullptr;
        for (QLineEdit *edit : reports->findChildren<QLineEdit *>()) {
            if (edit->isVisible()) {
                field = edit;
                break;
            }
        }
        QVERIFY(field);
        field->clear();
        QApplication::setActiveWindow(window.data());
        QTest::mouseClick(field, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), field);
        ModalWatcher lookups;
        lookups.rejectDialogsOf("QDlgGenius");
        for (Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_C}) {
            window->showNewestReport();
            QTest::keyClick(keyTarget(), key);
        }
        QTest::qWait(60);
        QCOMPARE(field->text(), QStringLiteral("abc"));
        QCOMPARE(lookups.count(), 0);
        QCOMPARE(getOrderHistoryCount(), 1);

        window->showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        QVERIFY(QApplication::focusWidget() != field);
        QTest::keyClick(keyTarget(), Qt::Key_7);
        QTRY_COMPARE(lookups.count(), 1);
    }

    // One Up or Down keystroke is one zoom step wherever the focus is in the chart window: its
    // content, the chart or the close button (the window itself hands its focus on to them).
    void oneKeystrokeOneZoomStep()
    {
        const QString code = QStringLiteral("600016.SH"), modify = QStringLiteral("2016-03-01 15:00:00");
        QStringList rows;
        for (int i = 0; i < 1000; ++i)
            rows << QStringLiteral("{\"dt\":\"%1\",\"pO\":10,\"pH\":11,\"pL\":9,\"pC\":10,\"ch\":0,\"fc\":1,\"tM\":\"%2\"}")
                        .arg(QDate(2012, 1, 1).addDays(i).toString(QStringLiteral("yyyy-MM-dd")), modify);
        {
            QSqlDatabase db = sqliteConnection(QStringLiteral("Fixture"), dayPriceFilePath(code));
            QVERIFY(importDayPrices(db, QStringLiteral("{\"data\":[") + rows.join(',') + QStringLiteral("]}")).ok);
        }
        closeSqliteConnection(QStringLiteral("Fixture"));
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Prc_Count, Prc_DtModify) "
                        "values (?, '民生银行', 0, 1000, ?)", {code, modify}));
        loadStockCache();

        window->showChartOfStock(code);
        auto *chartWindow = window->findChild<QWinChart *>();
        QChart *chart = chartWindow->chartWidget();
        QCOMPARE(chart->getPriceCount(), 1000);
        QApplication::setActiveWindow(window.data());
        // From 200, three steps in stay above the ladder's floor of 5.
        while (chart->getVisibleDayCount() < 200)
            chart->zoomOut();
        const QList<QWidget *> targets{chartWindow->widget(), chart,
                                       chartWindow->findChild<QToolButton *>(QStringLiteral("btnChartClose"))};
        // Each keystroke, Up on every target and then Down on every target, is one step of the
        // ladder from where the one before left the chart.
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
            for (int i = 0; i < targets.size(); ++i) {
                targets.at(i)->setFocus(Qt::OtherFocusReason);
                QVERIFY2(QApplication::focusWidget() == targets.at(i),
                         qPrintable(QStringLiteral("target %1 has no focus: %2").arg(i).arg(
                             QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none")));
                const int before = chart->getVisibleDayCount();
                const int expected = key == Qt::Key_Up ? zoomedInDayCount(before) : zoomedOutDayCount(before, 1000);
                QVERIFY(expected != before);
                QTest::keyClick(targets.at(i), key);
                QVERIFY2(chart->getVisibleDayCount() == expected,
                         qPrintable(QStringLiteral("%1 on target %2: %3 days, %4 expected")
                                        .arg(key == Qt::Key_Up ? "Up" : "Down").arg(i)
                                        .arg(chart->getVisibleDayCount()).arg(expected)));
            }
        }
    }

    // A cached code goes straight to the chart, any other text to the stock lookup first; without
    // a current stock list the page keys step through the stock cache's codes.
    void chartOfStock()
    {
        auto *chart = window->findChild<QWinChart *>();
        QSignalSpy shown(window.data(), &QWinMain::showChart);
        {
            ModalWatcher lookups;
            lookups.rejectDialogsOf("QDlgGenius");
            window->showChartOfStock(QStringLiteral("浦发"));
            QTRY_COMPARE(lookups.count(), 1);
        }
        QCOMPARE(shown.count(), 0);
        window->showChartOfStock(QStringLiteral("600000.SH"));
        QCOMPARE(shown.count(), 1);
        QVERIFY(chart->isMaximized());
        QCOMPARE(chart->getStockCode(), QStringLiteral("600000.SH"));
        // Back from the lookup, as the desktop does.
        QApplication::setActiveWindow(window.data());
        QTest::keyRelease(keyTarget(), Qt::Key_PageDown);
        QCOMPARE(chart->getStockCode(), QStringLiteral("600004.SH"));
        QTest::keyRelease(keyTarget(), Qt::Key_PageUp);
        QCOMPARE(chart->getStockCode(), QStringLiteral("600000.SH"));
    }
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
