#include "mainwindowtest.h"

#include "globalstate.h"
#include "listrequest.h"
#include "mainwindowkeys.h"
#include "orderhistory.h"
#include "qwinacelist.h"
#include "qwinmain.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"

#include <QSignalSpy>
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
        for (const auto &stock : {QStringList{"600000.SH", "浦发银行"}, QStringList{"6", "六"}})
            QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values (?, ?, 0)",
                            {stock[0], stock[1]}));
        window.reset(new QWinMain);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
        QApplication::setActiveWindow(window.data());
    }

    void cleanupTestCase() { window.reset(); }

    void init()
    {
        while (getOrderHistoryCount() > 0)
            popOrderHistory();
        clearCurrentStockList();
    }

    void backAndPager()
    {
        const QString a = getOrderJson(QStringLiteral("RPT_INB"));
        const QString b = getOrderJson(QStringLiteral("RPT_COD_MACRO"));
        QSignalSpy shown(window.data(), &QWinMain::showReportList);
        window->showList(a, 0);
        window->showList(b, 2);
        QVERIFY(enabled("btnBack"));

        window->goPageNext();
        QCOMPARE(getOrderHistoryCount(), 2);
        QCOMPARE(getOrderHistoryTopPage(), 3);
        QVERIFY(enabled("btnPageFirst") && enabled("btnPagePrevious"));
        window->goPagePrevious();
        QCOMPARE(getOrderHistoryTopPage(), 2);
        window->goPageFirst();
        QCOMPARE(shown.last(), QVariantList({b, 0}));
        QVERIFY(!enabled("btnPageFirst") && !enabled("btnPagePrevious"));
        QCOMPARE(getOrderHistoryCount(), 2);

        window->goPageNext();
        window->goPageBack();
        QCOMPARE(shown.last(), QVariantList({a, 0}));
        QCOMPARE(getOrderHistoryCount(), 1);
        QVERIFY(!enabled("btnBack"));
        // With one list left, back changes nothing.
        const int before = shown.count();
        window->goPageBack();
        QCOMPARE(shown.count(), before);
        QCOMPARE(getOrderHistoryCount(), 1);
        QVERIFY(!enabled("btnBack"));

        // Back returns to a list at the page it was left on.
        window->goPageNext();
        window->showList(b, 0);
        window->goPageBack();
        QCOMPARE(shown.last(), QVariantList({a, 1}));

        window->showLastList();
        QCOMPARE(shown.last(), QVariantList({a, 1}));
        QCOMPARE(getOrderHistoryCount(), 1);
    }

    void historyKeepsTwentyLists()
    {
        for (int n = 1; n <= 21; ++n)
            window->showList(industryList(n), 0);
        QCOMPARE(getOrderHistoryCount(), 20);
        QVERIFY(enabled("btnBack"));
        for (int n = 21; n > 2; --n)
            window->goPageBack();
        QCOMPARE(getOrderHistoryTop(), industryList(2));
        QVERIFY(!enabled("btnBack"));
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
        QCOMPARE(reportLists.count(), reports ? 1 : 0);
        window->showNewestRating();
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
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<ShownWindow>("shown");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QString>("argument");
        const int press = QEvent::KeyPress;
        const int release = QEvent::KeyRelease;
        QTest::newRow("digit, reports") << press << int(Qt::Key_6) << "6" << ShownWindow::ReportList << 1
                                        << int(KeyCommand::ReportOfStock) << "6";
        QTest::newRow("letter, ratings") << press << int(Qt::Key_A) << "a" << ShownWindow::RatingList << 1
                                         << int(KeyCommand::RatingOfStock) << "a";
        QTest::newRow("digit, consensus") << press << int(Qt::Key_0) << "0" << ShownWindow::ConsensusList << 1
                                          << int(KeyCommand::ConsensusOfStock) << "0";
        QTest::newRow("letter, matrix") << press << int(Qt::Key_Z) << "Z" << ShownWindow::MatrixList << 1
                                        << int(KeyCommand::MatrixOfStock) << "Z";
        QTest::newRow("digit, chart") << press << int(Qt::Key_9) << "9" << ShownWindow::Chart << 1
                                      << int(KeyCommand::ChartOfStock) << "9";
        QTest::newRow("digit, ranking") << press << int(Qt::Key_6) << "6" << ShownWindow::Other << 1
                                        << int(KeyCommand::Consume) << "";
        QTest::newRow("other character") << press << int(Qt::Key_Minus) << "-" << ShownWindow::ReportList << 1
                                         << int(KeyCommand::PassOn) << "";
        QTest::newRow("escape, chart") << press << int(Qt::Key_Escape) << "" << ShownWindow::Chart << 1
                                       << int(KeyCommand::ShowLastList) << "";
        QTest::newRow("escape, one list") << press << int(Qt::Key_Escape) << "" << ShownWindow::ReportList << 1
                                          << int(KeyCommand::CloseWindow) << "";
        QTest::newRow("escape, two lists") << press << int(Qt::Key_Escape) << "" << ShownWindow::Other << 2
                                           << int(KeyCommand::GoBack) << "";
        QTest::newRow("escape released") << release << int(Qt::Key_Escape) << "" << ShownWindow::Other << 2
                                         << int(KeyCommand::PassOn) << "";
        QTest::newRow("up pressed") << press << int(Qt::Key_Up) << "" << ShownWindow::Chart << 1
                                    << int(KeyCommand::PassOn) << "";
        QTest::newRow("up released") << release << int(Qt::Key_Up) << "" << ShownWindow::Other << 1
                                     << int(KeyCommand::ZoomIn) << "";
        QTest::newRow("down released") << release << int(Qt::Key_Down) << "" << ShownWindow::ReportList << 1
                                       << int(KeyCommand::ZoomOut) << "";
        QTest::newRow("page down pressed") << press << int(Qt::Key_PageDown) << "" << ShownWindow::Chart << 1
                                           << int(KeyCommand::PassOn) << "";
        QTest::newRow("page up, chart") << release << int(Qt::Key_PageUp) << "" << ShownWindow::Chart << 1
                                        << int(KeyCommand::ChartOfStock) << "000001.SZ";
        QTest::newRow("page down, chart") << release << int(Qt::Key_PageDown) << "" << ShownWindow::Chart << 1
                                          << int(KeyCommand::ChartOfStock) << "600036.SH";
        QTest::newRow("page down, list") << release << int(Qt::Key_PageDown) << "" << ShownWindow::ReportList << 1
                                         << int(KeyCommand::Consume) << "";
        QTest::newRow("digit released") << release << int(Qt::Key_6) << "6" << ShownWindow::ReportList << 1
                                        << int(KeyCommand::PassOn) << "";
    }

    void keyCommands()
    {
        QFETCH(int, type);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(ShownWindow, shown);
        QFETCH(int, depth);
        QFETCH(int, effect);
        QFETCH(QString, argument);
        // The chart steps through the current stock list, set here as the lists will set it.
        setCurrentStockList({"000001.SZ", "600000.SH", "600036.SH"});
        const KeyCommand command =
            keyCommand(QEvent::Type(type), key, text, shown, depth, QStringLiteral("600000.SH"));
        QCOMPARE(int(command.effect), effect);
        QCOMPARE(command.argument, argument);
    }

    // Letters and digits with Ctrl, Alt or Meta are commands, not stock codes; Shift still types.
    void chordKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<ShownWindow>("shown");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QString>("argument");
        QTest::newRow("ctrl+c, reports") << int(Qt::Key_C) << "\x03" << int(Qt::ControlModifier)
                                         << ShownWindow::ReportList << int(KeyCommand::PassOn) << "";
        QTest::newRow("ctrl+o, chart") << int(Qt::Key_O) << "\x0f" << int(Qt::ControlModifier) << ShownWindow::Chart
                                       << int(KeyCommand::PassOn) << "";
        QTest::newRow("alt+6, ratings") << int(Qt::Key_6) << "6" << int(Qt::AltModifier) << ShownWindow::RatingList
                                        << int(KeyCommand::PassOn) << "";
        QTest::newRow("meta+a, matrix") << int(Qt::Key_A) << "a" << int(Qt::MetaModifier) << ShownWindow::MatrixList
                                        << int(KeyCommand::PassOn) << "";
        QTest::newRow("shift+a, reports") << int(Qt::Key_A) << "A" << int(Qt::ShiftModifier)
                                          << ShownWindow::ReportList << int(KeyCommand::ReportOfStock) << "A";
        QTest::newRow("keypad 6, chart") << int(Qt::Key_6) << "6" << int(Qt::KeypadModifier) << ShownWindow::Chart
                                         << int(KeyCommand::ChartOfStock) << "6";
    }

    void chordKeys()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(ShownWindow, shown);
        QFETCH(int, effect);
        QFETCH(QString, argument);
        const KeyCommand command = keyCommand(QEvent::KeyPress, key, text, shown, 1, QString(),
                                              Qt::KeyboardModifiers(modifiers));
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

        // A character that is no code opens the lookup; cancelled, nothing changes.
        {
            ModalWatcher lookups;
            lookups.rejectDialogsOf("QDlgGenius");
            QTest::keyClick(keyTarget(), Qt::Key_7);
            QCOMPARE(lookups.count(), 1);
        }
        QCOMPARE(getOrderHistoryCount(), 2);

        // Ctrl with a letter that neither a shortcut nor the focused widget takes opens no lookup.
        {
            ModalWatcher lookups;
            lookups.rejectDialogsOf("QDlgGenius");
            QTest::keyClick(window->centralWidget(), Qt::Key_E, Qt::ControlModifier);
            QTest::qWait(60);
            QCOMPARE(lookups.count(), 0);
        }
        QCOMPARE(getOrderHistoryCount(), 2);

        // On the analyst ranking a digit does nothing.
        window->showList(getOrderJson(QStringLiteral("ACE_ALL")), 0);
        QVERIFY(window->findChild<QWinAceList *>()->isMaximized());
        {
            ModalWatcher lookups;
            lookups.rejectDialogsOf("QDlgGenius");
            QTest::keyClick(keyTarget(), Qt::Key_6);
            QTest::qWait(60);
            QCOMPARE(lookups.count(), 0);
        }
        QCOMPARE(getOrderHistoryCount(), 3);

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
};

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
