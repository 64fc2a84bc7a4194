#include "mainwindowtest.h"

#include "globalstate.h"
#include "listrequest.h"
#include "qwinmain.h"
#include "urlcatcher.h"
#include "userlists.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWebView>

namespace {

QWidget *topLevelOf(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits(className))
            return widget;
    return nullptr;
}

// Runs body on the next modal dialog of that class once it is up, then rejects the dialog
// unless body closed it.
void whileModal(const QByteArray &className, const std::function<void(QDialog *)> &body)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, className, body] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->inherits(className))
            return;
        timer->deleteLater();
        body(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start(20);
}

} // namespace

// The main window's launchers: what each menu entry, shortcut and side-bar entry opens.
class TestLaunchers : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;

    QAction *menuEntry(const QString &text)
    {
        for (QAction *action : window->findChild<QMenu *>("mnuMain")->actions())
            if (action->text() == text)
                return action;
        qFatal("no menu entry %s", qPrintable(text));
        return nullptr;
    }

    bool launch(const char *slot, QGenericArgument argument = QGenericArgument())
    {
        return QMetaObject::invokeMethod(window.data(), slot, argument);
    }

    // One new item in each of the user's lists, which the tests' cleanup() removes again.
    static void addListItems()
    {
        QVERIFY(addBlockStock("新板块", "", false) && addFavoriteReport("新收藏", "0", false)
                && addToConcernedInstList("新机构") && addToConcernedAnalystList("99999")
                && addSubscribe("新订阅", "", false));
    }

private slots:
    void cleanup()
    {
        deleteBlock("新板块");
        deleteFavorite("新收藏");
        removeFromConcernedInstList("新机构");
        removeFromConcernedAnalystList("99999");
        deleteSubscribe("新订阅");
    }

    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        window.reset(new QWinMain);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    }

    void cleanupTestCase() { window.reset(); }

    // Each entry's shortcut, typed into the window, opens its own dialog; closing deletes it.
    void shortcutsOpenTheirDialogs_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("preferences") << "首 选 项(&O)" << "Ctrl+O" << "QDlgOption";
        QTest::newRow("display") << "显示设置(&D)" << "Ctrl+D" << "QDlgDisplay";
        QTest::newRow("proxy") << "代理设置(&P)" << "Ctrl+P" << "QDlgProxy";
        QTest::newRow("about") << "关于(&A)..." << "" << "QDlgAbout";
    }

    void shortcutsOpenTheirDialogs()
    {
        QFETCH(QString, entry);
        QFETCH(QString, keys);
        QFETCH(QString, dialog);
        QAction *action = menuEntry(entry);
        QCOMPARE(action->shortcut(), QKeySequence(keys));
        QApplication::setActiveWindow(window.data());
        if (keys.isEmpty())
            action->trigger();
        else
            QTest::keySequence(window.data(), QKeySequence(keys));
        QPointer<QWidget> shown = QApplication::activeModalWidget();
        QVERIFY(shown);
        QCOMPARE(shown->metaObject()->className(), qPrintable(dialog));
        QCOMPARE(shown->parentWidget(), window.data());
        shown->close();
        QTRY_VERIFY(shown.isNull());
    }

    void helpOpensTheConfiguredPage()
    {
        UrlCatcher browser;
        QDesktopServices::setUrlHandler("http", &browser, "open");
        QApplication::setActiveWindow(window.data());
        QTest::keySequence(window.data(), QKeySequence("Ctrl+H"));
        QDesktopServices::unsetUrlHandler("http");
        QCOMPARE(browser.urls, QList<QUrl>({QUrl(getHelpUrl("HLP"))}));
        QVERIFY(browser.urls.value(0).path().endsWith("/help"));
    }

    // A list editor rebuilds its side-bar menu while it is open and has the lists re-marked once
    // after it closes; the subscription editor has nothing to re-mark.
    void manageDialogsReloadAndMark_data()
    {
        QTest::addColumn<QString>("launcher");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("mark");
        QTest::newRow("blocks") << "showBlockManageDialog" << "QDlgBlockManage" << "loadBlockListOfSidebar"
                                << "mnuReportBlock" << "markBlockedStock()";
        QTest::newRow("favourites") << "showFavoriteManageDialog" << "QDlgFavoriteManage"
                                    << "loadFavoriteListOfSidebar" << "mnuFavorite" << "markFavoriteReport()";
        QTest::newRow("institutions") << "showInstManageDialog" << "QDlgInstManage"
                                      << "loadConcernedInstListOfSidebar" << "mnuReportInst"
                                      << "markConcernedInst()";
        QTest::newRow("analysts") << "showAnalystManageDialog" << "QDlgAnalystManage"
                                  << "loadConcernedAnalystListOfSidebar" << "mnuReportAnalyst"
                                  << "markConcernedAnalyst()";
        QTest::newRow("subscriptions") << "showSubscribeManageDialog" << "QDlgSubscribeManage"
                                       << "loadSubscribeListOfSidebar" << "mnuSubscribe" << "";
    }

    void manageDialogsReloadAndMark()
    {
        QFETCH(QString, launcher);
        QFETCH(QString, dialog);
        QFETCH(QString, reload);
        QFETCH(QString, menu);
        QFETCH(QString, mark);
        QMenu *sideMenu = window->findChild<QMenu *>(menu);
        QVERIFY(sideMenu);
        const auto entries = [sideMenu] {
            int named = 0;
            for (const QAction *action : sideMenu->actions())
                named += action->property("ID").toString().isEmpty() ? 0 : 1;
            return named;
        };
        QList<QSignalSpy *> marks;
        for (const char *signal : {"markBlockedStock()", "markFavoriteReport()", "markConcernedInst()",
                                   "markConcernedAnalyst()"})
            marks << new QSignalSpy(window.data(), QByteArray("2") + signal);
        int before = -1, during = -1, marksDuring = -1;
        whileModal(dialog.toLatin1(), [&](QDialog *shown) {
            before = entries();
            addListItems();
            QVERIFY(QMetaObject::invokeMethod(shown, qPrintable(reload)));
            during = entries();
            marksDuring = 0;
            for (QSignalSpy *spy : marks)
                marksDuring += spy->count();
        });
        QVERIFY(launch(qPrintable(launcher)));
        QVERIFY2(during > before, qPrintable(QString("%1 entries before, %2 after").arg(before).arg(during)));
        QCOMPARE(marksDuring, 0);
        for (QSignalSpy *spy : marks)
            QCOMPARE(spy->count(), spy->signal() == mark.toLatin1() ? 1 : 0);
        qDeleteAll(marks);
        QTRY_VERIFY(!topLevelOf(qPrintable(dialog))); // deleted, not kept
    }

    // The institution picker's choice is the list shown.
    void pickerChoiceReachesTheList()
    {
        QVERIFY(insertReport({1, QDateTime::currentDateTime().toString("yyyy-MM-dd 08:00:00"), "", "甲证券", "101",
                              "标题", "", "600000.SH", "银行"}));
        QSignalSpy reports(window.data(), &QWinMain::showReportList);
        whileModal("QDlgInstSelect", [](QDialog *shown) {
            auto *list = shown->findChild<QListWidget *>("lstInst");
            QVERIFY(list && list->count() > 0);
            list->setCurrentRow(0);
            shown->findChild<QPushButton *>("btnOk")->click();
        });
        window->showReportListOfInst(QString());
        QCOMPARE(reports.count(), 1);
        QCOMPARE(listRequestName(reports.value(0).value(0).toString()), getOrderJson("RPT_INS").contains("%inst%")
                     ? listRequestName(fillListRequest(getOrderJson("RPT_INS"), {{"%inst%", "甲证券"}}))
                     : QString());
    }

    // A kept dialog is centred in the available area when hidden, only brought forward when shown.
    void keptDialogsAreCentredOnceAndThenActivated_data()
    {
        QTest::addColumn<QString>("launcher");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("award table") << "showAnalystDialog" << "QDlgAnalyst";
        QTest::newRow("hot ratings") << "showHotRatingDialog" << "QDlgHotRating";
        QTest::newRow("web page") << "showWinDialog" << "QDlgWebview";
    }

    void keptDialogsAreCentredOnceAndThenActivated()
    {
        QFETCH(QString, launcher);
        QFETCH(QString, dialog);
        QWidget *kept = topLevelOf(qPrintable(dialog));
        QVERIFY(kept && !kept->isVisible());
        QVERIFY(launch(qPrintable(launcher)));
        QVERIFY(kept->isVisible());
        const QRect area = window->screen()->availableGeometry();
        QTRY_COMPARE(kept->frameGeometry().center().x() / 2, area.center().x() / 2);
        kept->move(kept->pos() + QPoint(37, 21));
        const QPoint moved = kept->pos();
        QVERIFY(launch(qPrintable(launcher)));
        QCOMPARE(kept->pos(), moved);
        kept->hide();
        QVERIFY(launch(qPrintable(launcher)));
        QTRY_COMPARE(kept->frameGeometry().center().x() / 2, area.center().x() / 2);
        QVERIFY(kept->pos() != moved);
        kept->hide();
    }

    void webPageLoadsOnlyWhenShownAnew()
    {
        QWidget *web = topLevelOf("QDlgWebview");
        QWebView *view = web->findChild<QWebView *>();
        QVERIFY(view);
        QSignalSpy loads(view, &QWebView::loadStarted);
        QVERIFY(launch("onShortcutMenuClicked", Q_ARG(QString, "other")));
        QVERIFY(!web->isVisible());
        QVERIFY(launch("onShortcutMenuClicked", Q_ARG(QString, "showWinDialog#page")));
        QVERIFY(web->isVisible());
        QVERIFY(launch("onShortcutMenuClicked", Q_ARG(QString, "showWinDialog")));
        QTRY_COMPARE(loads.count(), 1);
        web->hide();
    }

    // The hot ratings and the market-wide quote lists have no side-bar page: the menu has them.
    void menuOffersHotRatingsAndQuotes()
    {
        QAction *hot = menuEntry("热门推荐(&R)");
        hot->trigger();
        QWidget *kept = topLevelOf("QDlgHotRating");
        QVERIFY(kept->isVisible());
        kept->hide();

        QMenu *quotes = window->findChild<QMenu *>("mnuQuote");
        QVERIFY(quotes);
        QSignalSpy shown(window.data(), &QWinMain::showQuoteList);
        QStringList ids;
        for (QAction *action : quotes->actions()) {
            action->trigger();
            ids << listRequestId(shown.last().value(0).toString());
            QCOMPARE(action->text(), listRequestName(shown.last().value(0).toString()));
        }
        QCOMPARE(ids, QStringList({"QUO_ALL", "QUO_MKT_SH", "QUO_MKT_SZ", "QUO_MKT_SME", "QUO_MKT_EXT", "QUO_POR"}));
    }
};

QTEST_MAIN(TestLaunchers)
#include "tst_launchers.moc"
