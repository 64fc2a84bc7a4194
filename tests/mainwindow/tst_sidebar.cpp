#include "mainwindowtest.h"

#include "analystcache.h"
#include "globalstate.h"
#include "listrequest.h"
#include "orderhistory.h"
#include "qwinmain.h"
#include "userlists.h"
#include "userliststore.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kTipStyle = QStringLiteral(
    "QToolButton { background-image:url(:/images/redpoint.png); background-position: left center; "
    "background-repeat: no-repeat; }");

QString propertyText(const QObject *object, const char *name)
{
    const QVariant value = object->property(name);
    return value.isValid() ? value.toString() : QStringLiteral("~");
}

// A menu as lines "text|ID|NAME" ("~" for a missing property), "-" for a separator.
QStringList describe(const QMenu *menu)
{
    QStringList lines;
    for (const QAction *entry : menu->actions()) {
        if (entry->isSeparator())
            lines << QStringLiteral("-");
        else if (entry->property("ID").isValid())
            lines << entry->text() + '|' + propertyText(entry, "ID") + '|' + propertyText(entry, "NAME");
        else
            lines << entry->text();
    }
    return lines;
}

QString kindOf(const QToolButton *button)
{
    if (button->menu())
        return button->popupMode() == QToolButton::InstantPopup ? "menu" : "split";
    return button->property("ID").isValid() ? "direct" : "dialog";
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

// A page as lines "text|kind|ID|height", with "|S" for the object name "SidebarButton".
QStringList describe(QToolBar *page)
{
    QStringList lines;
    for (QAction *action : page->actions()) {
        auto *button = qobject_cast<QToolButton *>(page->widgetForAction(action));
        if (!button) {
            lines << QStringLiteral("-");
            continue;
        }
        QString line = button->text() + '|' + kindOf(button) + '|' + button->property("ID").toString() + '|'
                       + QString::number(button->height());
        if (button->objectName() == QLatin1String("SidebarButton"))
            line += QStringLiteral("|S");
        lines << line;
    }
    return lines;
}

const QStringList kIndustries = {
    "1)煤炭|煤炭", "2)石油化工|石油化工", "3)钢铁|钢铁", "4)有色金属|有色金属", "5)建筑材料|建筑材料",
    "6)机械|机械", "7)电气设备|电气设备", "8)轻工印刷|轻工印刷", "9)建筑工程|建筑工程",
    "10)交通运输|交通运输", "11)批发零售|批发零售", "12)汽车及零部件|汽车及零部件", "13)家电|家电",
    "14)纺织服装|纺织服装", "15)旅游休闲|旅游休闲", "16)文化传播|文化传播", "17)农林牧渔|农林牧渔",
    "18)食品饮料|食品饮料", "19)医药生物|医药生物", "20)金融|金融", "21)房地产|地产", "22)计算机|计算机",
    "23)电子/半导体|电子", "24)电信|通信", "25)公用事业|公用事业"};

QStringList industryMenu(const QString &id)
{
    QStringList lines;
    for (const QString &industry : kIndustries)
        lines << industry.section('|', 0, 0) + '|' + id + '|' + industry.section('|', 1);
    return lines;
}

QStringList marketMenu(const QString &prefix)
{
    return {"沪市|" + prefix + "_MKT_SH|沪市", "深市|" + prefix + "_MKT_SZ|深市",
            "中小板|" + prefix + "_MKT_SME|中小板", "创业板|" + prefix + "_MKT_EXT|创业板"};
}

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

    QToolButton *button(int pageIndex, const QString &text)
    {
        for (QToolButton *b : buttonsOf(page(pageIndex))) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }

    QMenu *menu(const char *name) { return window->findChild<QMenu *>(QLatin1String(name)); }

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
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    }

    void cleanupTestCase() { window.reset(); }

    void init() { resetUserLists(); }

    void pages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("buttons");
        const QStringList reports = {
            "最新|direct|RPT_NEW", "订阅|menu|", "收藏|menu|", "-", "机构|menu|", "分析师|menu|",
            "新财富|dialog|", "大行|direct|RPT_INB", "-", "个股|direct|RPT_STK", "板块|menu|", "-",
            "晨报|direct|RPT_COD_MORNING", "策略|split|RPT_COD_STRATEGY", "宏观|split|RPT_COD_MACRO",
            "行业|split|RPT_COD_INDUSTRY", "公司|direct|RPT_COD_COMPANY", "新股|direct|RPT_COD_IPO",
            "金工|split|RPT_COD_ENGINEER", "港股|split|RPT_COD_HK", "美股|direct|RPT_COD_US",
            "三板|direct|RPT_COD_OTC", "基金|direct|RPT_COD_FUND", "固收|split|RPT_COD_FIX"};
        QStringList marked;
        for (const QString &line : reports)
            marked << (line == "-" ? line : line + "|28|S");
        QTest::newRow("reports") << 0 << marked;
        QTest::newRow("ratings") << 1
                                 << QStringList{"最新|direct|RAT_NEW|28", "-", "机构|menu||28", "分析师|menu||28", "-",
                                                "个股|direct|RAT_STK|28", "板块|menu||28", "行业|menu||28",
                                                "市场|menu||28", "-", "评级|menu||28", "调整|menu||28", "-",
                                                "首次\n推荐|direct|RAT_FST|48", "目标价\n较高|direct|RAT_TPS|48",
                                                "目标价\n上调|direct|RAT_TPR|48", "盈利\n上调|direct|RAT_ESR|48"};
        QTest::newRow("consensus") << 2
                                   << QStringList{"全部|direct|CNS_ALL|28", "-", "个股|direct|CNS_STK|28",
                                                  "板块|menu||28", "行业|menu||28", "市场|menu||28", "-",
                                                  "关注\n增加|direct|CNS_INC|48", "目标价\n较高|direct|CNS_TPS|48",
                                                  "目标价\n上调|direct|CNS_TPR|48", "盈利\n上调|direct|CNS_ESR|48",
                                                  "成长性\n较高|direct|CNS_GRH|48", "市盈率\n较低|direct|CNS_PEL|48",
                                                  "PEG\n较低|direct|CNS_PEG|48"};
        QTest::newRow("analyst ranking") << 3
                                         << QStringList{"全部|direct|ACE_ALL|28", "-", "机构|menu||28",
                                                        "分析师|menu||28", "行业|menu||28"};
        QTest::newRow("value matrix") << 4
                                      << QStringList{"全部|direct|MTX_ALL|28", "-", "个股|direct|MTX_STK|28",
                                                     "板块|menu||28", "行业|menu||28", "市场|menu||28", "-",
                                                     "A类|direct|MTX_LVL_A|28", "B类|direct|MTX_LVL_B|28",
                                                     "C类|direct|MTX_LVL_C|28"};
    }

    void pages()
    {
        QFETCH(int, index);
        QFETCH(QStringList, buttons);
        QCOMPARE(describe(page(index)), buttons);
        for (QToolButton *b : buttonsOf(page(index))) {
            QCOMPARE(b->width(), 70);
            QVERIFY(!b->isCheckable() && b->icon().isNull() && b->toolTip().isEmpty());
        }
    }

    void fixedMenus_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("strategy") << 0 << "策略"
                                  << QStringList{"中小盘|RPT_COD_SMALL|中小盘", "沪(深)港通|RPT_COD_SHHKC|沪港通"};
        QTest::newRow("macro") << 0 << "宏观"
                               << QStringList{"中国宏观|RPT_COD_MACRO_CN|中国宏观", "国际宏观|RPT_COD_MACRO_GLOBE|国际宏观",
                                              "大宗商品|RPT_COD_COMMODITY|大宗商品"};
        QTest::newRow("engineering") << 0 << "金工"
                                     << QStringList{"股指期货|RPT_COD_SIF|股指期货", "期权|RPT_COD_OPT|期权",
                                                    "融资融券|RPT_COD_MARGIN|融资融券"};
        QTest::newRow("hong kong") << 0 << "港股"
                                   << QStringList{"晨会|RPT_COD_HK_NWS|晨会", "策略|RPT_COD_HK_MKT|策略",
                                                  "行业|RPT_COD_HK_IND|行业", "公司|RPT_COD_HK_COM|公司",
                                                  "新股|RPT_COD_HK_IPO|新股", "期指期权|RPT_COD_HK_DRV|期指期权"};
        QTest::newRow("fixed income") << 0 << "固收"
                                      << QStringList{"国债期货|RPT_COD_TBF|国债期货", "可转债|RPT_COD_CB|可转债",
                                                     "大类资产|RPT_COD_ASSET|大类资产"};
        QTest::newRow("report industries") << 0 << "行业" << industryMenu("RPT_IND");
        QTest::newRow("rating industries") << 1 << "行业" << industryMenu("RAT_IND");
        QTest::newRow("consensus industries") << 2 << "行业" << industryMenu("CNS_IND");
        QTest::newRow("ranking industries") << 3 << "行业" << industryMenu("ACE_IND");
        QTest::newRow("matrix industries") << 4 << "行业" << industryMenu("MTX_IND");
        QTest::newRow("rating markets") << 1 << "市场" << marketMenu("RAT");
        QTest::newRow("consensus markets") << 2 << "市场" << marketMenu("CNS");
        QTest::newRow("matrix markets") << 4 << "市场" << marketMenu("MTX");
        QTest::newRow("ratings") << 1 << "评级"
                                 << QStringList{"强烈看多|RAT_RCM_STRONGBUY|~", "看多|RAT_RCM_BUY|~", "中性|RAT_RCM_HOLD|~",
                                                "看空|RAT_RCM_SELL|~", "强烈看空|RAT_RCM_STRONGSELL|~"};
        QTest::newRow("actions") << 1 << "调整"
                                 << QStringList{"首次|RAT_ACT_INI|~", "上调|RAT_ACT_UPGRADE|~",
                                                "维持|RAT_ACT_UNCHANGED|~", "下调|RAT_ACT_DOWNGRADE|~"};
    }

    void fixedMenus()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QToolButton *b = button(index, text);
        QVERIFY(b && b->menu());
        QCOMPARE(describe(b->menu()), entries);
    }

    // Every button and fixed entry that carries a list id shows that list when picked; the
    // industry entries fill their template with NAME, not with their text.
    void everyItemShowsItsList()
    {
        QSignalSpy routed(window.data(), &QWinMain::showReportList);
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
                    if (id.endsWith(QLatin1String("_STK"))) {
                        // The stock entries ask for a stock; cancelled, nothing is shown.
                        QCOMPARE(getOrderHistoryCount(), depth);
                        continue;
                    }
                    QVERIFY2(!expected.isEmpty(), qPrintable(id));
                    QCOMPARE(getOrderHistoryTop(), expected);
                }
            }
        }
        QCOMPARE(items, 36 + 17 + 25 * 5 + 4 * 3 + 9);
        QVERIFY(routed.count() > 0);
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
        const QStringList insts = QStringList{"中信证券", "安信证券", "国泰君安"}.mid(0, count);
        const QStringList blocks = QStringList{"银行", "白酒", "军工"}.mid(0, count);
        const QStringList folders = QStringList{"收藏甲", "收藏乙", "收藏丙"}.mid(0, count);
        const QStringList subscriptions = QStringList{"订阅甲", "订阅乙", "订阅丙"}.mid(0, count);
        const QStringList analysts = QStringList{"5002", "5001", "9999"}.mid(0, count);
        for (int i = 0; i < count; ++i) {
            addToConcernedInstList(insts[i]);
            addBlockStock(blocks[i], QStringLiteral("600000.SH"), false);
            addFavoriteReport(folders[i], QString(), false);
            addSubscribe(subscriptions[i], QString(), false);
            addToConcernedAnalystList(analysts[i]);
        }
        // Twice, to see that a rebuild leaves nothing of the one before.
        for (int round = 0; round < 2; ++round) {
            window->loadSubscribeListOfSidebar();
            window->loadFavoriteListOfSidebar();
            window->loadConcernedInstListOfSidebar();
            window->loadConcernedAnalystListOfSidebar();
            window->loadBlockListOfSidebar();
        }
        const auto items = [count](const QStringList &lines) {
            return count ? QStringList{"-"} + lines : QStringList();
        };
        const auto all = [count](const QString &line) {
            return count ? QStringList{"-", line} : QStringList();
        };
        QCOMPARE(describe(menu("mnuSubscribe")), (QStringList{"设置订阅"} + items({"订阅甲|RPT_SUB|订阅甲", "订阅乙|RPT_SUB|订阅乙", "订阅丙|RPT_SUB|订阅丙"})
                     + all("全部订阅|RPT_SUB_ALL|~")));
        QCOMPARE(describe(menu("mnuFavorite")), (QStringList{"设置收藏夹"} + items({"收藏甲|RPT_FAV|收藏甲", "收藏乙|RPT_FAV|收藏乙", "收藏丙|RPT_FAV|收藏丙"})));
        for (const QString &id : {"RPT", "RAT", "ACE"}) {
            const QString family = id == "RPT" ? "Report" : id == "RAT" ? "Rating" : "Ace";
            // Institutions by pinyin initials; analysts in stored order, named through the cache.
            QCOMPARE(describe(menu(qPrintable("mnu" + family + "Inst"))), (QStringList{"选择机构|" + id + "_INS|~", "设置关注"}
                         + items({"安信证券|" + id + "_INS|安信证券", "国泰君安|" + id + "_INS|国泰君安",
                                  "中信证券|" + id + "_INS|中信证券"})
                         + all("全部关注|" + id + "_INS_ALL|~")));
            QCOMPARE(describe(menu(qPrintable("mnu" + family + "Analyst"))), (QStringList{"选择分析师|" + id + "_ANL|~", "设置关注"}
                         + items({"李四|" + id + "_ANL|1002", "张三|" + id + "_ANL|1001", "|" + id + "_ANL|"})
                         + all("全部关注|" + id + "_ANL_ALL|~")));
        }
        for (const QString &id : {"RPT", "RAT", "CNS", "MTX"}) {
            const QString family = id == "RPT" ? "Report" : id == "RAT" ? "Rating" : id == "CNS" ? "Consensus" : "Matrix";
            QCOMPARE(describe(menu(qPrintable("mnu" + family + "Block"))), (QStringList{"设置板块"}
                         + items({"银行|" + id + "_BLK|银行", "白酒|" + id + "_BLK|白酒", "军工|" + id + "_BLK|军工"})));
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
        QCOMPARE(propertyText(entry.data(), "NAME"), QStringLiteral(""));
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
        QToolButton *blockButton = qobject_cast<QToolButton *>(menu("mnuReportBlock")->parent());
        const auto marks = [this] {
            QString marks;
            for (QAction *entry : menu("mnuReportBlock")->actions()) {
                if (entry->property("NAME").isValid())
                    marks += entry->data().toString() == "1" && !entry->icon().isNull() ? '1' : '0';
            }
            return marks;
        };
        QCOMPARE(marks(), QStringLiteral("000"));
        QVERIFY(blockButton->styleSheet().isEmpty());

        // A stock in two blocks marks both; the button stays marked until both are picked.
        window->showReportTipOfBlock(QStringLiteral("600000.SH"));
        QCOMPARE(blockButton->styleSheet(), kTipStyle);
        QCOMPARE(marks(), QStringLiteral("101"));
        pick(menu("mnuReportBlock")->actions().at(2));
        QCOMPARE(getOrderHistoryTop(), fillListRequest(getOrderJson("RPT_BLK"), {{"%block%", "银行"}}));
        QCOMPARE(marks(), QStringLiteral("001"));
        QCOMPARE(blockButton->styleSheet(), kTipStyle);
        pick(menu("mnuReportBlock")->actions().at(4));
        QCOMPARE(marks(), QStringLiteral("000"));
        QVERIFY(blockButton->styleSheet().isEmpty());

        // A rebuild drops the entries' marks and keeps the button's; any pick then clears it.
        window->showReportTipOfBlock(QStringLiteral("600519.SH"));
        QCOMPARE(marks(), QStringLiteral("010"));
        window->loadBlockListOfSidebar();
        QCOMPARE(marks(), QStringLiteral("000"));
        QCOMPARE(blockButton->styleSheet(), kTipStyle);
        // The other pages' block entries carry no tip.
        QVERIFY(menu("mnuRatingBlock")->actions().at(2)->data().isNull());
        pick(menu("mnuReportBlock")->actions().at(3));
        QVERIFY(blockButton->styleSheet().isEmpty());

        // A stock of no block marks only the button.
        window->showReportTipOfBlock(QStringLiteral("000001.SZ"));
        QCOMPARE(marks(), QStringLiteral("000"));
        QCOMPARE(blockButton->styleSheet(), kTipStyle);
    }

    void showAndHide()
    {
        auto *stack = window->findChild<QStackedWidget *>("stkSidebar");
        auto *toggle = window->findChild<QToolButton *>("btnSidebar");
        window->showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
        QCOMPARE(stack->currentIndex(), 1);
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
