// The report, rating and ranking lists keep their cell labels from page to page. A link cell
// right-clicked loses the pointer to its context menu without hearing it go; the next page or
// list must show neither its hover look nor its row's selection.

#include "mainwindowtest.h"

#include "managerdisplay.h"

#include "analystcache.h"
#include "globalstate.h"
#include "listrequest.h"
#include "listpointer.h"
#include "qlinklabel.h"
#include "qwinacelist.h"
#include "qwinmain.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "stockcache.h"
#include "userliststore.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>

// The display this test runs on, set before the application is made.
const ManagerDisplay *display = nullptr;

namespace {

constexpr int kItems = 105;  // two full pages of 50 and five rows
const QString kAlone = QStringLiteral("独家证券"); // the second newest and the oldest report and rating
const QString kDay = QStringLiteral("2017-01-06 00:00:00");

// Published a day apart, newest first by id.
bool insertRatingRow(int id, const QString &inst, const QString &date)
{
    return execSql("insert into T_Rating (Rpt_ID, Ins_Name, Anl_List, Rpt_DtPublish, Stk_Code, Rat_Recomm, Rat_Score, "
                   "Rat_Action, Rat_PrcPub, Rat_PrcFac, Rat_New, Rpt_DtEntry, Rat_Readed) "
                   "values (?, ?, '', ?, '601988.SH', '买入', 4, 'M', 3, 1, 1, ?, 0)",
                   {id, inst, date.left(10), date});
}

// Analysts 1 to 30 of 机构1..3 with records of the ranking years 2015 and 2016.
bool insertRanking()
{
    bool ok = true;
    for (int uid = 1; uid <= 30; ++uid) {
        ok = ok
             && execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, Anl_New, "
                        "Anl_DtUpdate) values (?, ?, ?, ?, '银行', 24, 1, ?)",
                        {5000 + uid, uid, QStringLiteral("分析师%1号").arg(uid), QStringLiteral("机构%1").arg(uid % 3),
                         kDay});
        for (int year : {2015, 2016})
            ok = ok
                 && execSql("insert into T_Ace (Anl_UID, Ace_Year, Stk_Count, Rat_Count, Short_Count, "
                            "Short_SuccessCount, Short_AvgRise, Short_MaxRise, Middle_Count, Middle_SuccessCount, "
                            "Middle_AvgRise, Middle_MaxRise, Ace_DtUpdate) values (?, ?, 5, 9, 10, ?, 1, 2, 10, ?, 3, 4, ?)",
                            {uid, year, uid % 10, (uid * 7) % 10, kDay});
    }
    return ok;
}

enum class Next { PagerButton, RankingPager, SideBarButton, SideBarMenu };

} // namespace

Q_DECLARE_METATYPE(Next)

class TestKeptLabels : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;

    QMdiSubWindow *listWindow(const QString &kind)
    {
        if (kind == QLatin1String("reports"))
            return window->findChild<QWinReportList *>();
        if (kind == QLatin1String("ratings"))
            return window->findChild<QWinRatingList *>();
        return window->findChild<QWinAceList *>();
    }

private slots:
    void initTestCase()
    {
        // A menu's hold on the pointer needs an X display.
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 ManagerDisplay::needed());
        QVERIFY(prepareMainDatabase(dir));
        bool ok = execSql("insert into T_Stock (Stk_Code, Stk_Name, Ind_Name, Prc_Close, Prc_Factor, Stk_Quit) "
                          "values ('601988.SH', '中国银行', '银行', 3.5, 1, 0)");
        for (int i = 0; i < kItems && ok; ++i) {
            QString entry = QDateTime(QDate(2017, 1, 6), QTime(15, 0)).addSecs(-60 * i).toString(Qt::ISODate);
            entry.replace('T', ' ');
            const QString inst = i == 1 || i == kItems - 1 ? kAlone : QStringLiteral("华泰证券");
            ok = insertReport({1000 + i, entry, "", inst, "STK.COM@CN", QStringLiteral("中国银行点评第%1篇").arg(i), "",
                               "601988.SH", "银行"})
                 && insertRatingRow(1000 + i, inst, QDate(2017, 1, 6).addDays(-i).toString(Qt::ISODate) + " 09:00:00");
        }
        QVERIFY(ok && insertRanking());
        setAceYear(2015);
        loadStockCache();
        loadAnalystCache();
    }

    // A window of its own for each case, shown under the pointer at the screen's centre, where
    // a display starts it: a menu shown before may keep a pointer's state.
    void init()
    {
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY(xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
        resetUserLists();
        window.reset(new QWinMain);
        QVERIFY(showExposed(*window));
        QApplication::setActiveWindow(window.data());
    }

    void cleanup() { window.reset(); }

    // Right-click a link cell, pick an entry of its menu with the pointer, leave the list for
    // the pager, the ranking's own pager or a list of the side bar: the next page or list shows
    // no underline and no selected row, and a right-click below its rows opens no menu for the
    // row of before.
    void nextPageKeepsNoHoverNorSelection_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("links");
        QTest::addColumn<int>("plain"); // a column of items
        QTest::addColumn<QString>("entry");
        QTest::addColumn<Next>("next");
        QTest::addColumn<QString>("sideBar"); // the list's id of a button, or the name of a menu
        const QList<int> reportLinks{2, 3}, ratingLinks{2, 4, 5, 6}, rankingLinks{0, 1, 2};
        const QString reports = getOrderJson("RPT_NEW"), ratings = getOrderJson("RAT_NEW");
        const QString ranking = getOrderJson("ACE_ALL");
        const QHash<QString, QString> huatai{{"%inst%", "华泰证券"}}, first{{"%inst%", "机构1"}};
        QTest::newRow("reports, next page") << "reports" << reports << 1 << reportLinks << 0 << "复制报告列表"
                                            << Next::PagerButton << "";
        QTest::newRow("ratings, next page") << "ratings" << ratings << 1 << ratingLinks << 0 << "添加关注机构"
                                            << Next::PagerButton << "";
        QTest::newRow("ranking, next page") << "ranking" << ranking << 0 << rankingLinks << 3 << "添加关注分析师"
                                            << Next::RankingPager << "";
        QTest::newRow("reports, newest reports") << "reports" << fillListRequest(getOrderJson("RPT_INS"), huatai) << 1
                                                 << reportLinks << 0 << "添加关注机构" << Next::SideBarButton << "RPT_NEW";
        QTest::newRow("ratings, newest ratings") << "ratings" << fillListRequest(getOrderJson("RAT_INS"), huatai) << 1
                                                 << ratingLinks << 0 << "添加关注机构" << Next::SideBarButton << "RAT_NEW";
        QTest::newRow("ranking, whole ranking") << "ranking" << fillListRequest(getOrderJson("ACE_INS"), first) << 0
                                                << rankingLinks << 3 << "添加关注分析师" << Next::SideBarButton << "ACE_ALL";
        QTest::newRow("reports, followed institution") << "reports" << reports << 1 << reportLinks << 0 << "添加关注机构"
                                                       << Next::SideBarMenu << "mnuReportInst";
        QTest::newRow("ratings, followed institution") << "ratings" << ratings << 1 << ratingLinks << 0 << "添加关注机构"
                                                       << Next::SideBarMenu << "mnuRatingInst";
        QTest::newRow("ranking, followed analyst") << "ranking" << ranking << 0 << rankingLinks << 3 << "添加关注分析师"
                                                   << Next::SideBarMenu << "mnuAceAnalyst";
    }

    // A link's menu picked from with the pointer, the pointer then off the table at once (as a
    // hand goes to the pager), also while the box the entry brings up is open: the page itself
    // shows no hover look either. (The ranking's entries all show a page again, which settles
    // it.)
    void menuLeavesNoHoverOnItsPage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("box");
        QTest::newRow("reports, title") << "reports" << getOrderJson("RPT_NEW") << 3 << "复制报告列表" << true;
        QTest::newRow("ratings, institution") << "ratings" << getOrderJson("RAT_NEW") << 2 << "添加关注机构" << false;
        QTest::newRow("ratings, copy") << "ratings" << getOrderJson("RAT_NEW") << 2 << "复制股票名单" << true;
    }

    void menuLeavesNoHoverOnItsPage()
    {
        QFETCH(QString, kind);
        QFETCH(QString, request);
        QFETCH(int, column);
        QFETCH(QString, entry);
        QFETCH(bool, box);
        window->showList(request, 0);
        auto *table = listWindow(kind)->findChild<QTableWidget *>();
        QVERIFY(table->rowCount() > 2);
        QWidget *link = table->cellWidget(1, column);
        QVERIFY(pointAt(link));
        QTRY_COMPARE(underlinedCells(table, {column}), QStringLiteral("1,%1").arg(column));
        // The box is answered from its own event loop: the pointer off the table first, then
        // Return, as a hand does.
        auto *pager = window->findChild<QToolButton *>(QStringLiteral("btnPageNext"));
        const QPoint away = pager->mapToGlobal(pager->rect().center());
        bool answered = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!shown || answered)
                return;
            answered = true;
            xdotool({"mousemove", QString::number(away.x()), QString::number(away.y())});
            QTest::qWait(100);
            QTest::keyClick(shown, Qt::Key_Return);
        });
        answer.start(20);
        {
            MenuPicker picker(entry);
            QVERIFY(clickAt(link, Qt::RightButton));
            QTRY_VERIFY(picker.seen.size() == 1 && !QApplication::activePopupWidget() && !QApplication::activeModalWidget());
            QVERIFY2(picker.picked, qPrintable(picker.seen.join(' ')));
        }
        QCOMPARE(answered, box);
        QVERIFY(pointAt(pager));
        QTRY_COMPARE(underlinedCells(table, {column}), QString());
    }

    // After a menu picked from with the pointer, the link the pointer goes to next is the only
    // one of the page that shows itself.
    void oneLinkShowsItselfAfterAMenu_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("entry");
        QTest::newRow("reports") << "reports" << getOrderJson("RPT_NEW") << 1 << 2 << "添加关注机构";
        QTest::newRow("ratings") << "ratings" << getOrderJson("RAT_NEW") << 1 << 2 << "添加关注机构";
        QTest::newRow("ranking") << "ranking" << getOrderJson("ACE_ALL") << 0 << 0 << "添加关注分析师";
    }

    void oneLinkShowsItselfAfterAMenu()
    {
        QFETCH(QString, kind);
        QFETCH(QString, request);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, entry);
        window->showList(request, 0);
        auto *table = listWindow(kind)->findChild<QTableWidget *>();
        QVERIFY(table->rowCount() > row + 3);
        QVERIFY(pointAt(table->cellWidget(row, column)));
        const QString first = QStringLiteral("%1,%2").arg(row).arg(column);
        QTRY_COMPARE(underlinedCells(table, {column}), first);
        {
            MenuPicker picker(entry);
            QVERIFY(clickAt(table->cellWidget(row, column), Qt::RightButton));
            QTRY_VERIFY(picker.seen.size() == 1 && !QApplication::activePopupWidget());
            QVERIFY2(picker.picked, qPrintable(picker.seen.join(' ')));
        }
        QVERIFY(pointAt(table->cellWidget(row + 3, column)));
        const QString next = QStringLiteral("%1,%2").arg(row + 3).arg(column);
        QTRY_COMPARE(underlinedCells(table, {column}), next);
    }

    void nextPageKeepsNoHoverNorSelection()
    {
        QFETCH(QString, kind);
        QFETCH(QString, first);
        QFETCH(int, row);
        QFETCH(QList<int>, links);
        QFETCH(int, plain);
        QFETCH(QString, entry);
        QFETCH(Next, next);
        QFETCH(QString, sideBar);
        ModalWatcher boxes;
        window->showList(first, 0);
        QMdiSubWindow *list = listWindow(kind);
        QVERIFY(list->isMaximized());
        auto *table = list->findChild<QTableWidget *>();
        QVERIFY(table->rowCount() > row + 2);
        auto *link = qobject_cast<QLinkLabel *>(table->cellWidget(row, links.first()));
        QVERIFY(link);
        const QRgb unselected = cellBackground(table, row, plain);

        // Under the pointer the link shows itself, and the row it is clicked in shows its
        // selection: what the pixels are read for.
        QVERIFY(pointAt(link));
        const QString hovered = QStringLiteral("%1,%2").arg(row).arg(links.first());
        QTRY_COMPARE(underlinedCells(table, links), hovered);
        {
            MenuPicker picker(entry);
            QVERIFY(clickAt(link, Qt::RightButton));
            QTRY_VERIFY(picker.seen.size() == 1 && !QApplication::activePopupWidget() && !QApplication::activeModalWidget());
            QVERIFY2(picker.picked, qPrintable(picker.seen.join(' ')));
        }
        QCOMPARE(table->currentRow(), row);
        QTRY_VERIFY(cellBackground(table, row, plain) != unselected);
        const QRgb selected = cellBackground(table, row, plain);
        QCOMPARE(rowsPaintedIn(table, plain, selected), QString::number(row));

        if (next == Next::PagerButton) {
            QVERIFY(clickAt(window->findChild<QToolButton *>(QStringLiteral("btnPageNext")), Qt::LeftButton));
            QTRY_COMPARE(table->verticalHeaderItem(0)->text(), QStringLiteral("51"));
        } else if (next == Next::RankingPager) {
            auto *pager = list->findChild<QScrollBar *>(QStringLiteral("scbPager"));
            QVERIFY(pager->maximum() > 0);
            // The arrow at its foot.
            QVERIFY(clickAt(pager, Qt::LeftButton, QPoint(pager->width() / 2, pager->height() - pager->width() / 2)));
            QTRY_COMPARE(pager->value(), 1);
        } else if (next == Next::SideBarButton) {
            QToolButton *button = nullptr;
            for (QToolButton *b : window->findChildren<QToolButton *>()) {
                if (b->property("ID").toString() == sideBar && b->isVisible())
                    button = b;
            }
            QVERIFY(button);
            const QString before = window->windowTitle();
            QVERIFY(clickAt(button, Qt::LeftButton));
            QTRY_VERIFY(window->windowTitle() != before);
        } else {
            auto *button = qobject_cast<QToolButton *>(window->findChild<QMenu *>(sideBar)->parentWidget());
            QVERIFY(button && button->isVisible());
            MenuPicker picker(kind == QLatin1String("ranking") ? QStringLiteral("分析师") : kAlone);
            QVERIFY(clickAt(button, Qt::LeftButton));
            QTRY_VERIFY(picker.seen.size() == 1 && !QApplication::activePopupWidget());
            QVERIFY2(picker.picked, qPrintable(picker.seen.join(' ')));
            QTRY_VERIFY(table->rowCount() < 5);
        }
        QVERIFY(list->isMaximized());
        QTest::qWait(50);
        QCOMPARE(underlinedCells(table, links), QString());
        QCOMPARE(rowsPaintedIn(table, plain, selected), QString());
        if (next != Next::SideBarMenu)
            return;
        // Below the rows there is no row to act on.
        MenuPicker picker;
        const QRect last = table->visualRect(table->model()->index(table->rowCount() - 1, 0));
        QVERIFY(last.bottom() + 20 < table->viewport()->height());
        QVERIFY(clickAt(table->viewport(), Qt::RightButton, QPoint(last.center().x(), last.bottom() + 10)));
        QTest::qWait(200);
        QCOMPARE(picker.seen.join(' '), QString());
    }
};

MANAGER_TEST_MAIN(TestKeptLabels, QApplication)

#include "tst_keptlabels.moc"
