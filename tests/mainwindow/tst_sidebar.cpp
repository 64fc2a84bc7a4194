#include "mainwindowtest.h"

#include "analystcache.h"
#include "globalstate.h"
#include "listrequest.h"
#include "orderhistory.h"
#include "qwinmain.h"
#include "userlists.h"
#include "userliststore.h"

#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kTipStyle = QStringLiteral(
    "QToolButton { background-image:url(:/images/redpoint.png); background-position: left center; "
    "background-repeat: no-repeat; }");

// A menu in one line: "text=ID=NAME" per entry ("text=ID" without NAME, "text" without ID), "|"
// for a separator.
QString describe(const QMenu *menu)
{
    QStringList words;
    for (const QAction *entry : menu->actions()) {
        QString word = entry->isSeparator() ? QStringLiteral("|") : entry->text();
        for (const char *property : {"ID", "NAME"}) {
            if (entry->property(property).isValid())
                word += '=' + entry->property(property).toString();
        }
        words << word;
    }
    return words.join(' ');
}

QList<QToolButton *> buttonsOf(QToolBar *page)
{
    QList<QToolButton *> buttons;
    for (QAction *action : page->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(page->widgetForAction(action)))
            buttons << button;
    }
    return buttons;
}

// A page in one line: "text=ID" for a direct button, "text/ID" for a split one, "text*" for a
// menu, "text+" for a dialog, "|" for a separator; line breaks dropped.
QString describe(QToolBar *page)
{
    QStringList words;
    for (QAction *action : page->actions()) {
        auto *b = qobject_cast<QToolButton *>(page->widgetForAction(action));
        const QString id = b ? b->property("ID").toString() : QString();
        words << (!b ? QStringLiteral("|")
                     : b->text().remove('\n')
                           + (b->menu() ? (b->popupMode() == QToolButton::InstantPopup ? "*" : '/' + id)
                                        : (id.isEmpty() ? "+" : '=' + id)));
    }
    return words.join(' ');
}

// The numbered industries; after ":" the name the lists know one by, where it differs.
const QStringList kIndustries = QStringLiteral(
    "煤炭 石油化工 钢铁 有色金属 建筑材料 机械 电气设备 轻工印刷 建筑工程 交通运输 批发零售 汽车及零部件 家电 "
    "纺织服装 旅游休闲 文化传播 农林牧渔 食品饮料 医药生物 金融 房地产:地产 计算机 电子/半导体:电子 电信:通信 公用事业")
                                    .split(' ');

} // namespace

// The side bar's pages, their fixed menus, the menus of the user's lists and the block tip.
class TestSidebar : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;

    QToolBar *page(int index)
    {
        return qobject_cast<QToolBar *>(window->findChild<QStackedWidget *>("stkSidebar")->widget(index));
    }

    QMenu *menuOf(int pageIndex, const QString &text)
    {
        for (QToolButton *b : buttonsOf(page(pageIndex))) {
            if (b->text() == text)
                return b->menu();
        }
        return nullptr;
    }

    QMenu *menu(const QString &name) { return window->findChild<QMenu *>(name); }

    // Picks an entry or clicks a button as a user does; the pickers and the lookup that it
    // opens are cancelled.
    void pick(QObject *item)
    {
        ModalWatcher pickers;
        pickers.rejectDialogsOf("QDialog");
        if (auto *entry = qobject_cast<QAction *>(item))
            entry->trigger();
        else
            qobject_cast<QToolButton *>(item)->click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        for (const auto &analyst : {QStringList{"1001", "5001", "张三"}, QStringList{"1002", "5002", "李四"}})
            QVERIFY(execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) "
                            "values (?, ?, ?, '机构', 1, '2017-01-06 00:00:00')",
                            {analyst[0], analyst[1], analyst[2]}));
        resetUserLists();
        window.reset(new QWinMain);
        QVERIFY(showExposed(*window));
    }

    void cleanupTestCase() { window.reset(); }

    void init() { resetUserLists(); }

    void pages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("reports") << 0
            << "最新=RPT_NEW 订阅* 收藏* | 机构* 分析师* 新财富+ 大行=RPT_INB | 个股=RPT_STK 板块* | "
               "晨报=RPT_COD_MORNING 策略/RPT_COD_STRATEGY 宏观/RPT_COD_MACRO 行业/RPT_COD_INDUSTRY "
               "公司=RPT_COD_COMPANY 新股=RPT_COD_IPO 金工/RPT_COD_ENGINEER 港股/RPT_COD_HK 美股=RPT_COD_US "
               "三板=RPT_COD_OTC 基金=RPT_COD_FUND 固收/RPT_COD_FIX";
        QTest::newRow("ratings") << 1
            << "最新=RAT_NEW | 机构* 分析师* | 个股=RAT_STK 板块* 行业* 市场* | 评级* 调整* | 首次推荐=RAT_FST "
               "目标价较高=RAT_TPS 目标价上调=RAT_TPR 盈利上调=RAT_ESR";
        QTest::newRow("consensus") << 2
            << "全部=CNS_ALL | 个股=CNS_STK 板块* 行业* 市场* | 关注增加=CNS_INC 目标价较高=CNS_TPS "
               "目标价上调=CNS_TPR 盈利上调=CNS_ESR 成长性较高=CNS_GRH 市盈率较低=CNS_PEL PEG较低=CNS_PEG";
        QTest::newRow("analyst ranking") << 3 << "全部=ACE_ALL | 机构* 分析师* 行业*";
        QTest::newRow("value matrix") << 4
            << "全部=MTX_ALL | 个股=MTX_STK 板块* 行业* 市场* | A类=MTX_LVL_A B类=MTX_LVL_B C类=MTX_LVL_C";
    }

    void pages()
    {
        QFETCH(int, index);
        QFETCH(QString, buttons);
        QCOMPARE(describe(page(index)), buttons);
    }

    // The fixed menus: each entry's list id and, for the report pages, the name it fills in.
    void fixedMenus_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entries");
        QTest::newRow("strategy") << 0 << "策略" << "中小盘=RPT_COD_SMALL=中小盘 沪(深)港通=RPT_COD_SHHKC=沪港通";
        QTest::newRow("macro") << 0 << "宏观"
            << "中国宏观=RPT_COD_MACRO_CN=中国宏观 国际宏观=RPT_COD_MACRO_GLOBE=国际宏观 大宗商品=RPT_COD_COMMODITY=大宗商品";
        QTest::newRow("engineering") << 0 << "金工"
            << "股指期货=RPT_COD_SIF=股指期货 期权=RPT_COD_OPT=期权 融资融券=RPT_COD_MARGIN=融资融券";
        QTest::newRow("hong kong") << 0 << "港股"
            << "晨会=RPT_COD_HK_NWS=晨会 策略=RPT_COD_HK_MKT=策略 行业=RPT_COD_HK_IND=行业 公司=RPT_COD_HK_COM=公司 "
               "新股=RPT_COD_HK_IPO=新股 期指期权=RPT_COD_HK_DRV=期指期权";
        QTest::newRow("fixed income") << 0 << "固收"
            << "国债期货=RPT_COD_TBF=国债期货 可转债=RPT_COD_CB=可转债 大类资产=RPT_COD_ASSET=大类资产";
        QTest::newRow("ratings") << 1 << "评级"
            << "强烈看多=RAT_RCM_STRONGBUY 看多=RAT_RCM_BUY 中性=RAT_RCM_HOLD 看空=RAT_RCM_SELL 强烈看空=RAT_RCM_STRONGSELL";
        QTest::newRow("actions") << 1 << "调整"
            << "首次=RAT_ACT_INI 上调=RAT_ACT_UPGRADE 维持=RAT_ACT_UNCHANGED 下调=RAT_ACT_DOWNGRADE";
    }

    void fixedMenus()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QString, entries);
        QVERIFY(menuOf(index, text));
        QCOMPARE(describe(menuOf(index, text)), entries);
    }

    // The industry menus of every page fill their lists with the names the lists know, which
    // differ from the menu's texts for a few; the markets likewise.
    void industryAndMarketMenus()
    {
        const QStringList prefixes = {"RPT", "RAT", "CNS", "ACE", "MTX"};
        for (int index = 0; index < 5; ++index) {
            QStringList industries;
            for (int i = 0; i < kIndustries.size(); ++i) {
                industries << QString("%1)%2=%3_IND=%4").arg(i + 1).arg(kIndustries.at(i).section(':', 0, 0), prefixes.at(index),
                                                                      kIndustries.at(i).section(':', -1));
            }
            QCOMPARE(describe(menuOf(index, "行业")), industries.join(' '));
            if (index != 0 && index != 3) {
                QCOMPARE(describe(menuOf(index, "市场")),
                         QString("沪市=%1_MKT_SH=沪市 深市=%1_MKT_SZ=深市 中小板=%1_MKT_SME=中小板 创业板=%1_MKT_EXT=创业板")
                             .arg(prefixes.at(index)));
            }
        }
    }

    // Every button and fixed entry that carries a list id shows that list when picked; the
    // industry entries fill their template with NAME, not with their text.
    void everyItemShowsItsList()
    {
        int items = 0;
        for (int index = 0; index < 5; ++index) {
            for (QToolButton *b : buttonsOf(page(index))) {
                QList<QObject *> targets;
                if (b->property("ID").isValid())
                    targets << b;
                if (b->menu() && b->menu()->objectName().isEmpty()) {
                    for (QAction *entry : b->menu()->actions())
                        targets << entry;
                }
                for (QObject *target : targets) {
                    const QString id = target->property("ID").toString();
                    QString expected = getOrderJson(id);
                    if (id.endsWith(QLatin1String("_IND")))
                        expected = fillListRequest(expected, {{"%ind%", target->property("NAME").toString()}});
                    const int depth = getOrderHistoryCount();
                    pick(target);
                    ++items;
                    // The stock entries ask for a stock; cancelled, nothing is shown.
                    if (id.endsWith(QLatin1String("_STK")))
                        QCOMPARE(getOrderHistoryCount(), depth);
                    else
                        QVERIFY2(!expected.isEmpty() && getOrderHistoryTop() == expected, qPrintable(id));
                }
            }
        }
        QCOMPARE(items, 36 + 17 + 25 * 5 + 4 * 3 + 9);
    }

    void userListMenus_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << 0;
        QTest::newRow("three items") << 3;
    }

    void userListMenus()
    {
        QFETCH(int, count);
        const QStringList names{"中信证券", "安信证券", "国泰君安"}, blocks{"银行", "白酒", "军工"};
        const QStringList analysts{"5002", "5001", "9999"};
        for (int i = 0; i < count; ++i) {
            addToConcernedInstList(names[i]);
            addBlockStock(blocks[i], QStringLiteral("600000.SH"), false);
            addFavoriteReport(QStringLiteral("收藏") + blocks[i], QString(), false);
            addSubscribe(QStringLiteral("订阅") + blocks[i], QString(), false);
            addToConcernedAnalystList(analysts[i]);
        }
        // Twice, to see that a rebuild leaves nothing of the one before.
        for (int round = 0; round < 2; ++round) {
            for (const char *slot : {"loadSubscribeListOfSidebar", "loadFavoriteListOfSidebar", "loadBlockListOfSidebar",
                                     "loadConcernedInstListOfSidebar", "loadConcernedAnalystListOfSidebar"})
                QVERIFY(QMetaObject::invokeMethod(window.data(), slot));
        }
        // Each list's entries after its kept ones, then its "all" entry.
        const auto items = [count](const QString &kept, const QString &entries, const QString &all = QString()) {
            return count ? kept + " | " + entries + (all.isEmpty() ? "" : " | " + all) : kept;
        };
        QCOMPARE(describe(menu("mnuSubscribe")),
                 items("设置订阅", "订阅银行=RPT_SUB=订阅银行 订阅白酒=RPT_SUB=订阅白酒 订阅军工=RPT_SUB=订阅军工",
                       "全部订阅=RPT_SUB_ALL"));
        QCOMPARE(describe(menu("mnuFavorite")),
                 items("设置收藏夹", "收藏银行=RPT_FAV=收藏银行 收藏白酒=RPT_FAV=收藏白酒 收藏军工=RPT_FAV=收藏军工"));
        const QString insts = items("选择机构=RPT_INS 设置关注", "安信证券=RPT_INS=安信证券 国泰君安=RPT_INS=国泰君安 "
                                    "中信证券=RPT_INS=中信证券", "全部关注=RPT_INS_ALL");
        const QString analystEntries = items("选择分析师=RPT_ANL 设置关注", "李四=RPT_ANL=1002 张三=RPT_ANL=1001 =RPT_ANL=",
                                             "全部关注=RPT_ANL_ALL");
        const QString blockEntries = items("设置板块", "银行=RPT_BLK=银行 白酒=RPT_BLK=白酒 军工=RPT_BLK=军工");
        // Institutions by pinyin initials; analysts in stored order, named through the cache.
        for (const QString family : {"RPT:Report", "RAT:Rating", "ACE:Ace", "CNS:Consensus", "MTX:Matrix"}) {
            const QString id = family.section(':', 0, 0) + '_', name = "mnu" + family.section(':', 1);
            if (!id.startsWith("CNS") && !id.startsWith("MTX")) {
                QCOMPARE(describe(menu(name + "Inst")), QString(insts).replace("RPT_", id));
                QCOMPARE(describe(menu(name + "Analyst")), QString(analystEntries).replace("RPT_", id));
            }
            if (!id.startsWith("ACE"))
                QCOMPARE(describe(menu(name + "Block")), QString(blockEntries).replace("RPT_", id));
        }
        // What the rebuilds took out is gone once control is back in the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QList<QAction *> owned = menu("mnuReportInst")->findChildren<QAction *>();
        owned.removeOne(menu("mnuReportInst")->menuAction());
        QCOMPARE(owned.size(), count ? 3 + 2 : 0);
    }

    // Picking an entry shows its item's list through "NAME", whatever its text became.
    void entriesCarryTheirItemInName()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        window->loadConcernedInstListOfSidebar();
        QAction *entry = menu("mnuRatingInst")->actions().at(3);
        entry->setText(QStringLiteral("中信证券(&Z)"));
        pick(entry);
        QCOMPARE(getOrderHistoryTop(), fillListRequest(getOrderJson("RAT_INS"), {{"%inst%", "中信证券"}}));
    }

    // The engine's queued analyst reload can arrive while the picker opened from an entry of an
    // analyst unknown to the cache is open: the entry must outlive its own trigger.
    void rebuildWhileThePickerIsOpen()
    {
        addToConcernedAnalystList(QStringLiteral("9999"));
        window->loadConcernedAnalystListOfSidebar();
        QPointer<QAction> entry = menu("mnuReportAnalyst")->actions().at(3);
        QCOMPARE(entry->property("NAME").toString(), QString());
        bool aliveAfterTrigger = false;
        connect(entry, &QAction::triggered, this, [&] { aliveAfterTrigger = !entry.isNull(); });
        ModalWatcher pickers;
        pickers.rejectDialogsOf("QDlgAnalystSelect");
        QMetaObject::invokeMethod(window.data(), "loadConcernedAnalystListOfSidebar", Qt::QueuedConnection);
        entry->trigger();
        QCOMPARE(pickers.count(), 1);
        QVERIFY(aliveAfterTrigger);
        QVERIFY(!menu("mnuReportAnalyst")->actions().contains(entry.data()));
        QTRY_VERIFY(entry.isNull());
        QCOMPARE(menu("mnuReportAnalyst")->actions().size(), 6);
    }

    void blockTip()
    {
        addBlockStock(QStringLiteral("银行"), QStringLiteral("600000.SH,600036.SH"), false);
        addBlockStock(QStringLiteral("白酒"), QStringLiteral("600519.SH"), false);
        addBlockStock(QStringLiteral("沪市"), QStringLiteral("600000.SH"), false);
        window->loadBlockListOfSidebar();
        QMenu *blocks = menu("mnuReportBlock");
        auto *blockButton = qobject_cast<QToolButton *>(blocks->parent());
        // The entries' marks, then "T" while the button carries the tip.
        const auto marks = [&] {
            QString marks;
            for (QAction *entry : blocks->actions()) {
                if (entry->property("NAME").isValid())
                    marks += entry->data().toString() == "1" && !entry->icon().isNull() ? '1' : '0';
            }
            return marks + (blockButton->styleSheet() == kTipStyle ? "T" : blockButton->styleSheet());
        };
        QCOMPARE(marks(), QStringLiteral("000"));

        // A stock in two blocks marks both; the button stays marked until both are picked.
        window->showReportTipOfBlock(QStringLiteral("600000.SH"));
        QCOMPARE(marks(), QStringLiteral("101T"));
        pick(blocks->actions().at(2));
        QCOMPARE(getOrderHistoryTop(), fillListRequest(getOrderJson("RPT_BLK"), {{"%block%", "银行"}}));
        QCOMPARE(marks(), QStringLiteral("001T"));
        pick(blocks->actions().at(4));
        QCOMPARE(marks(), QStringLiteral("000"));

        // A rebuild drops the entries' marks and keeps the button's; any pick then clears it.
        window->showReportTipOfBlock(QStringLiteral("600519.SH"));
        QCOMPARE(marks(), QStringLiteral("010T"));
        window->loadBlockListOfSidebar();
        QCOMPARE(marks(), QStringLiteral("000T"));
        // The other pages' block entries carry no tip.
        QVERIFY(menu("mnuRatingBlock")->actions().at(2)->data().isNull());
        pick(blocks->actions().at(3));
        QCOMPARE(marks(), QStringLiteral("000"));
        // A stock of no block marks only the button.
        window->showReportTipOfBlock(QStringLiteral("000001.SZ"));
        QCOMPARE(marks(), QStringLiteral("000T"));
    }

    void showAndHide()
    {
        auto *stack = window->findChild<QStackedWidget *>("stkSidebar");
        auto *toggle = window->findChild<QToolButton *>("btnSidebar");
        window->showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        toggle->click();
        QVERIFY(!stack->isVisible());
        QCOMPARE(toggle->toolTip(), QStringLiteral("显示侧边栏"));
        // Hidden, the page still follows the list on screen.
        window->showList(getOrderJson(QStringLiteral("CNS_ALL")), 0);
        QCOMPARE(stack->currentIndex(), 2);
        toggle->click();
        QVERIFY(stack->isVisible());
        QCOMPARE(toggle->toolTip(), QStringLiteral("隐藏侧边栏"));
    }
};

QTEST_MAIN(TestSidebar)
#include "tst_sidebar.moc"
