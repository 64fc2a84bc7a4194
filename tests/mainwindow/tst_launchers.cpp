#include "mainwindowtest.h"

#include "globalstate.h"
#include "listrequest.h"
#include "qwinmain.h"
#include "urlcatcher.h"
#include "userlists.h"
#include "userliststore.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWebView>

namespace {

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

    QAction *menuEntry(const QString &text) { return actionOf(*window->findChild<QMenu *>("mnuMain"), text); }

    bool launch(const char *slot, QGenericArgument argument = QGenericArgument())
    {
        return QMetaObject::invokeMethod(window.data(), slot, argument);
    }

private slots:
    void cleanup() { resetUserLists(); }

    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        window.reset(new QWinMain);
        QVERIFY(showExposed(*window));
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
    // after it closes; the subscription editor has nothing to re-mark. Used once, it is deleted.
    void manageDialogsReloadAndMark_data()
    {
        QTest::addColumn<QString>("kind"); // show<kind>ManageDialog opens QDlg<kind>Manage
        QTest::addColumn<QString>("reload");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("mark");
        QTest::newRow("blocks") << "Block" << "loadBlockListOfSidebar" << "mnuReportBlock" << "markBlockedStock()";
        QTest::newRow("favourites") << "Favorite" << "loadFavoriteListOfSidebar" << "mnuFavorite" << "markFavoriteReport()";
        QTest::newRow("institutions") << "Inst" << "loadConcernedInstListOfSidebar" << "mnuReportInst" << "markConcernedInst()";
        QTest::newRow("analysts") << "Analyst" << "loadConcernedAnalystListOfSidebar" << "mnuReportAnalyst"
                                  << "markConcernedAnalyst()";
        QTest::newRow("subscriptions") << "Subscribe" << "loadSubscribeListOfSidebar" << "mnuSubscribe" << "";
    }

    void manageDialogsReloadAndMark()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reload);
        QFETCH(QString, menu);
        QFETCH(QString, mark);
        QMenu *sideMenu = window->findChild<QMenu *>(menu);
        QList<QSharedPointer<QSignalSpy>> spies;
        for (const char *signal : {"markBlockedStock()", "markFavoriteReport()", "markConcernedInst()", "markConcernedAnalyst()"})
            spies << QSharedPointer<QSignalSpy>::create(window.data(), QByteArray("2") + signal);
        const auto marked = [&spies] {
            QString fired;
            for (const auto &spy : spies)
                fired += QString(spy->signal()).repeated(spy->count());
            return fired;
        };
        int before = -1, during = -1;
        QString markedDuring = "-";
        const QString dialog = "QDlg" + kind + "Manage";
        whileModal(dialog.toLatin1(), [&](QDialog *shown) {
            before = sideMenu->actions().size();
            // One new item in each of the user's lists.
            QVERIFY(addBlockStock("新板块", "", false) && addFavoriteReport("新收藏", "0", false)
                    && addToConcernedInstList("新机构") && addToConcernedAnalystList("99999")
                    && addSubscribe("新订阅", "", false));
            QVERIFY(QMetaObject::invokeMethod(shown, qPrintable(reload)));
            during = sideMenu->actions().size();
            markedDuring = marked();
        });
        QVERIFY(launch(qPrintable("show" + kind + "ManageDialog")));
        QVERIFY2(during > before, qPrintable(QString("%1 entries before, %2 after").arg(before).arg(during)));
        QCOMPARE(markedDuring, QString());
        QCOMPARE(marked(), mark);
        QTRY_VERIFY(!topLevelOf(qPrintable(dialog)));
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
        QCOMPARE(reports.at(0).at(0).toString(), fillListRequest(getOrderJson("RPT_INS"), {{"%inst%", "甲证券"}}));
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
        QSignalSpy loads(web->findChild<QWebView *>(), &QWebView::loadStarted);
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
        menuEntry("热门推荐(&R)")->trigger();
        QVERIFY(topLevelOf("QDlgHotRating")->isVisible());
        topLevelOf("QDlgHotRating")->hide();

        QMenu *quotes = window->findChild<QMenu *>("mnuQuote");
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
