#include "mainwindowtest.h"

#include "globalstate.h"
#include "listrequest.h"
#include "orderhistory.h"
#include "qwinacelist.h"
#include "qwinconsensuslist.h"
#include "qwinmain.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "userlists.h"
#include "waiting.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMdiArea>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <functional>

namespace {

// Whether a thread named "updater" runs in this process (Qt names each QThread after its object);
// the thread may linger a moment after QThread::wait() has returned.
bool engineRuns()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "updater")
            return true;
    }
    return false;
}

template<class T = QLabel>
T *child(QWinMain &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

bool enabled(QWinMain &window, const char *button)
{
    return child<QToolButton>(window, button)->isEnabled();
}

// Every text placeholder gets a value with the characters that end or escape a JSON string, a
// placeholder's name that must not be filled again and control characters; the stock and the
// analyst must be known to the caches.
const QString kText = QStringLiteral("名\"称\\值\", \"x\": \"%ind%\t\n\u0001末");
const QHash<QString, QString> kValues = {
    {"%inst%", kText}, {"%ind%", kText}, {"%block%", kText}, {"%fav%", kText}, {"%subName%", kText},
    {"%titleKeyword%", kText}, {"%instKeyword%", kText}, {"%analsKeyword%", kText}, {"%reportCode%", kText},
    {"%reportYearStart%", kText}, {"%reportYearEnd%", kText}, {"%stkCode%", "600000.SH"},
    {"%stkName%", "浦\"发\\银行"}, {"%anlID%", "1001"}, {"%anlName%", "张\"三\\"}};

// What a receiving window should read: the template's JSON with the values put into its strings.
QJsonValue withValues(const QJsonValue &value)
{
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            it.value() = withValues(it.value());
        return object;
    }
    if (!value.isString())
        return value;
    const QString text = value.toString();
    QString out;
    int done = 0;
    for (auto it = QRegularExpression(QStringLiteral("%[A-Za-z]+%")).globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += text.mid(done, match.capturedStart() - done) + kValues.value(match.captured(), match.captured());
        done = match.capturedEnd();
    }
    return out + text.mid(done);
}

// Sends what the side bar sends: an item carrying "ID" and, when given, "NAME".
void clickItem(QWinMain &window, const QString &id, const QVariant &name = QVariant())
{
    QAction item;
    item.setProperty("ID", id);
    if (name.isValid())
        item.setProperty("NAME", name);
    QObject::connect(&item, &QAction::triggered, &window, &QWinMain::onActionClicked);
    item.trigger();
}

// How a user reaches each list: the side bar's item, with a NAME that the ids without a
// parameter ignore, or the drill-down slot.
void reach(QWinMain &w, const QString &id)
{
    const QString stock = kValues.value("%stkCode%");
    const QHash<QString, std::function<void()>> drillDowns = {
        {"RPT_STK", [&] { w.showReportListOfStock(stock); }}, {"RAT_STK", [&] { w.showRatingListOfStock(stock); }},
        {"CNS_STK", [&] { w.showConsensusListOfStock(stock); }}, {"MTX_STK", [&] { w.showMatrixListOfStock(stock); }},
        {"RAT_INS_STK", [&] { w.showRatingListOfInstStock(kText, stock); }},
        {"RPT_SCH", [&] { w.showReportListOfSearch(kText, kText, kText, kText, kText, kText); }}};
    if (drillDowns.contains(id))
        drillDowns.value(id)();
    else
        clickItem(w, id, id.endsWith(QLatin1String("_ANL")) ? kValues.value("%anlID%") : kText);
}

} // namespace

// The frame, its start-up state, the close with the engine on its thread and the dispatch of
// list requests to the list windows.
class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> shared;

    // The dispatch tests' window, made after the close tests, which watch the one engine thread.
    QWinMain &win()
    {
        if (!shared) {
            shared.reset(new QWinMain);
            shared->show();
        }
        return *shared;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values (?, ?, 0)",
                        {kValues.value("%stkCode%"), kValues.value("%stkName%")}));
        QVERIFY(execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) "
                        "values (?, 5001, ?, '机构', 1, '2017-01-06 00:00:00')",
                        {kValues.value("%anlID%"), kValues.value("%anlName%")}));
        // The older subscription form, the institution under "ath", stored percent-encoded.
        const QJsonObject condition{{"ttl", kText}, {"ath", kText}, {"anl", kText}, {"cod", kText}};
        QVERIFY(addSubscribe(kText, QUrl::toPercentEncoding(QJsonDocument(condition).toJson(QJsonDocument::Compact)),
                             false));
    }

    void cleanupTestCase() { shared.reset(); }

    void init()
    {
        while (getOrderHistoryCount() > 0)
            popOrderHistory();
    }

    void closeWaitsForTheEngine()
    {
        QWinMain window;
        QVERIFY(showExposed(window));
        QTRY_VERIFY(engineRuns());
        QSignalSpy stops(&window, &QWinMain::stopUpdater);
        ModalWatcher answerer(QMessageBox::No);
        QVERIFY(!window.close());
        QCOMPARE(answerer.last().title + answerer.last().text, QStringLiteral("确认您确定要关闭程序吗?"));
        QVERIFY(window.isVisible() && stops.isEmpty());

        // Yes asks the engine to stop; the window stays until it has stopped, and closing
        // again asks nothing and stops nothing more.
        answerer.setAnswer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QVERIFY(!window.close());
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(stops.count(), 1);
        // The engine's exitSystem() closes the window for good and ends its thread.
        WAIT_UNTIL("the window closed by the engine's exit", !window.isVisible(), 15000);
        QCOMPARE(answerer.count(), 2);
        loadSystemExit();
        QCOMPARE(getExitFlag(), 1);
        QTRY_VERIFY(!engineRuns());
    }

    // A parentless kept dialog on screen must not keep the program running.
    void finalCloseEndsTheEventLoop()
    {
        int result = -1;
        {
            QWinMain window;
            QVERIFY(showExposed(window));
            QWidget *dayDownload = topLevelOf("QDlgDownloadDay");
            dayDownload->show();
            ModalWatcher answerer(QMessageBox::Yes);
            QTimer::singleShot(0, &window, &QWidget::close);
            QTimer::singleShot(30000, &window, [] { QCoreApplication::exit(99); });
            result = QApplication::exec();
            QVERIFY(!window.isVisible() && !dayDownload->isVisible());
        }
        QCOMPARE(result, 0);
        QTRY_VERIFY(!engineRuns());
        // Destroyed unclosed, the window stops its engine and takes its kept dialogs along.
        auto *unclosed = new QWinMain;
        QTRY_VERIFY(engineRuns());
        delete unclosed;
        QTRY_VERIFY(!engineRuns());
        QVERIFY(!topLevelOf("QDlgDownloadDay") && !topLevelOf("QDlgDownloadFile"));
    }

    // The window keeps raw pointers to its sub-windows and kept dialogs for the whole run:
    // closing one, in any way, only hides it.
    void keptWindowsSurviveClosing()
    {
        QWinMain window;
        QVERIFY(showExposed(window));
        QList<QPointer<QWidget>> kept{window.findChild<QDialog *>(QString(), Qt::FindDirectChildrenOnly)};
        for (QMdiSubWindow *sub : window.findChild<QMdiArea *>()->subWindowList())
            kept << sub;
        for (const char *name : {"QDlgDownloadFile", "QDlgDownloadDay", "QDlgMessage", "QDlgAlert", "QDlgWebview",
                                 "QDlgAnalyst", "QDlgHotRating"})
            kept << topLevelOf(name);
        for (const QPointer<QWidget> &widget : kept) {
            QVERIFY(widget);
            widget->show();
            if (auto *dialog = qobject_cast<QDialog *>(widget))
                dialog->reject();
            widget->show();
            widget->close();
        }
        window.findChild<QMdiArea *>()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!kept.contains(nullptr));
        window.showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        QVERIFY(window.findChild<QWinRatingList *>()->isMaximized() && window.findChild<QWinRatingList *>()->isVisible());
    }

    // The pop-ups that must never stand behind the maximized main window have it as their
    // window's transient parent, shown and shown again; the stay-on-top ones keep their hint.
    // (Nothing else stays on top meanwhile: a box would stand over that window instead.)
    void popUpsStandOverTheMainWindow_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<bool>("onTop");
        QTest::newRow("report download") << "QDlgDownloadFile" << true;
        QTest::newRow("day-price download") << "QDlgDownloadDay" << true;
        QTest::newRow("message strip") << "QDlgMessage" << true;
        QTest::newRow("alert list") << "QDlgAlert" << true;
        QTest::newRow("rating pop-up") << "QDlgRating" << false;
    }

    void popUpsStandOverTheMainWindow()
    {
        QFETCH(QString, dialog);
        QFETCH(bool, onTop);
        setMessageShow(0);
        QWinMain window;
        QVERIFY(showExposed(window));
        window.maximizeWindow();
        QWidget *popUp = topLevelOf(dialog.toLatin1().constData());
        if (!popUp) // the rating pop-up has the window as its parent
            popUp = window.findChild<QDialog *>(dialog);
        QVERIFY(popUp);
        for (int showing = 0; showing < 2; ++showing) {
            popUp->show();
            QVERIFY(QTest::qWaitForWindowExposed(popUp));
            QVERIFY(popUp->windowHandle());
            QCOMPARE(popUp->windowHandle()->transientParent(), window.windowHandle());
            QCOMPARE(popUp->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            popUp->hide();
        }
    }

    // It starts on the newest reports; the engine's texts reach the status bar, each one stepping
    // the spinner; the count is of the newest day's reports. Against closed hosts the engine's
    // first cycle fails at once.
    void startsOnTheNewestReports()
    {
        qint64 id = 0;
        for (const char *entry : {"2016-11-01 23:59:59", "2016-11-02 00:00:00", "2016-11-02 09:30:00", "2016-11-02 17:45:10"})
            QVERIFY(insertReport({++id, entry, "", "机构", "MCR@CN", "报告", "", "", ""}));
        QWinMain window;
        QCOMPARE(window.windowTitle(), getCnName() + QStringLiteral(" - 最新报告"));
        QCOMPARE(getOrderHistoryCount(), 1);
        QCOMPARE(getOrderHistoryTop(), getOrderJson(QStringLiteral("RPT_NEW")));
        QVERIFY(window.findChild<QWinReportList *>()->isMaximized());
        QCOMPARE(child<QStackedWidget>(window, "stkSidebar")->currentIndex(), 0);
        // One list on page 0: nothing to go back to, no earlier page; the report list has
        // switched off "末页".
        for (const char *button : {"btnBack", "btnPageFirst", "btnPagePrevious", "btnPageLast"})
            QVERIFY2(!enabled(window, button), button);
        QCOMPARE(child(window, "lblReportCount")->text(), QStringLiteral("今日3篇报告"));
        QCOMPARE(child(window, "lblReportCount")->alignment(), Qt::AlignCenter);
        WAIT_UNTIL("the status 接收索引数据失败！", child(window, "lblStatus")->text() == QStringLiteral("接收索引数据失败！"), 20000);
        const QString spinner = QStringLiteral("|/-\\");
        const int first = spinner.indexOf(child(window, "lblSpinner")->text());
        QVERIFY(first >= 0);
        for (int i = 1; i <= 4; ++i) {
            window.showStatus(QString::number(i));
            QCOMPARE(child(window, "lblSpinner")->text() + child(window, "lblStatus")->text(),
                     spinner.at((first + i) % 4) + QString::number(i));
        }
        QVERIFY(execSql(QStringLiteral("delete from T_Report")));
        window.showReportCount();
        QCOMPARE(child(window, "lblReportCount")->text(), QStringLiteral("今日0篇报告"));
        // The engine's notice that the login timed out.
        ModalWatcher boxes;
        window.showOuttimeDialog();
        QCOMPARE(boxes.last().title + '|' + boxes.last().text, QStringLiteral("注意|登录超时，请重新登录！"));
    }

    // The title bar drags the window and double-clicks maximize and restore it; Ctrl+M switches
    // the message strip with the menu closed.
    void titleBarAndShortcut()
    {
        QWinMain window;
        window.setMinimumSize(500, 300);
        window.setMaximumSize(1200, 900);
        window.setGeometry(40, 50, 700, 400);
        QVERIFY(showExposed(window));
        const QRect before = window.geometry();
        auto *bar = child<QWidget>(window, "titleBar");
        // Maximized: the restore button instead of the maximize one, no size grip.
        const auto buttons = [&window] {
            return QString::number(child<QWidget>(window, "btnMaximize")->isHidden())
                   + QString::number(child<QWidget>(window, "btnRestore")->isHidden())
                   + QString::number(window.statusBar()->isSizeGripEnabled());
        };
        QTest::mouseDClick(bar, Qt::LeftButton);
        QTRY_COMPARE(window.geometry(), window.screen()->availableGeometry());
        QCOMPARE(window.maximumSize(), window.screen()->availableGeometry().size());
        QCOMPARE(buttons(), QStringLiteral("100"));
        // Restored: the window's own size limits, the maximize button and the size grip again.
        QTest::mouseDClick(bar, Qt::LeftButton);
        QTRY_COMPARE(window.geometry(), before);
        QCOMPARE(window.minimumSize(), QSize(500, 300));
        QCOMPARE(window.maximumSize(), QSize(1200, 900));
        QCOMPARE(buttons(), QStringLiteral("011"));
        const QPoint at(300, 10), by(30, 15);
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease}) {
            const QPoint local = type == QEvent::MouseButtonPress ? at : at + by;
            QMouseEvent event(type, local, bar->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &event);
        }
        QTRY_COMPARE(window.geometry(), before.translated(by));

        QAction *scrolling = actionOf(window, QStringLiteral("滚动提示(&M)"));
        const bool checked = scrolling->isChecked();
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(scrolling->isChecked(), !checked);
        QCOMPARE(topLevelOf("QDlgMessage")->isVisible(), !checked);
    }

    void everyListId_data()
    {
        QTest::addColumn<QString>("id");
        QSettings ini(QStringLiteral(":/config.ini"), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        ini.beginGroup(QStringLiteral("Orders"));
        QStringList ids;
        for (const QString &key : ini.childKeys()) {
            const QString id = listRequestId(ini.value(key).toString());
            if (!ids.contains(id))
                ids << id;
        }
        QCOMPARE(ids.size(), 125);
        for (const QString &id : ids)
            QTest::newRow(qPrintable(id)) << id;
    }

    // Each list id reaches its window's slot with every placeholder filled; RCM_…, STK_LPE and
    // CHT_STK are recorded in the history and sent nowhere.
    void everyListId()
    {
        QFETCH(QString, id);
        const int route = QStringList{"RPT", "RAT", "CNS", "MTX", "ACE", "QUO"}.indexOf(id.left(3));
        QList<QSharedPointer<QSignalSpy>> spies;
        for (const char *signal : {SIGNAL(showReportList(QString, int)), SIGNAL(showRatingList(QString, int)),
                                   SIGNAL(showConsensusList(QString, int)), SIGNAL(showMatrixList(QString, int)),
                                   SIGNAL(showAceList(QString, int)), SIGNAL(showQuoteList(QString, int))})
            spies << QSharedPointer<QSignalSpy>::create(&win(), signal);
        reach(win(), id);
        for (int i = 0; i < spies.size(); ++i)
            QCOMPARE(spies.at(i)->count(), i == route ? 1 : 0);
        if (route < 0) {
            QCOMPARE(getOrderHistoryTop(), getOrderJson(id));
            return;
        }
        const QString request = spies.at(route)->at(0).at(0).toString();
        QCOMPARE(getOrderHistoryTop(), request);
        QJsonParseError error;
        QCOMPARE(QJsonDocument::fromJson(request.toUtf8(), &error).object(),
                 withValues(QJsonDocument::fromJson(getOrderJson(id).toUtf8()).object()).toObject());
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QList<QMdiSubWindow *> windows = {
            win().findChild<QWinReportList *>(), win().findChild<QWinRatingList *>(),
            win().findChild<QWinConsensusList *>(), win().findChild<QWinMatrixList *>(),
            win().findChild<QWinAceList *>(), win().findChild<QWinQuoteList *>()};
        QVERIFY(windows.at(route)->isMaximized());
        // The side bar's page and the tab follow the list on screen; the quote list has neither.
        const int page = QList<int>{0, 1, 2, 4, 3, -1}.at(route);
        if (page >= 0) {
            QCOMPARE(child<QStackedWidget>(win(), "stkSidebar")->currentIndex(), page);
            QVERIFY(win().findChildren<QToolButton *>(QStringLiteral("TabbarButton")).at(page)->isChecked());
        }
    }

    // The side bar's "个股", "选择机构" and "选择分析师" carry no NAME, and a code that the
    // stock cache lacks goes to the lookup too: cancelled pickers show nothing.
    void cancelledPickerShowsNothing()
    {
        win().showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
        const int depth = getOrderHistoryCount();
        QSignalSpy reports(&win(), &QWinMain::showReportList);
        ModalWatcher pickers;
        pickers.rejectDialogsOf("QDialog");
        for (const char *id : {"RPT_STK", "RAT_STK", "CNS_STK", "MTX_STK", "RPT_INS", "RAT_INS", "ACE_INS", "RPT_ANL",
                               "RAT_ANL", "ACE_ANL"})
            clickItem(win(), QString::fromLatin1(id));
        win().showReportListOfStock(QStringLiteral("999999.SZ"));
        QCOMPARE(getOrderHistoryCount(), depth);
        QCOMPARE(reports.count(), 0);
        QCOMPARE(pickers.count(), 11);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
