#include "sidebar.h"

#include "globalstate.h"
#include "qwinmain.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QHoverEvent>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

struct Entry
{
    const char *text;
    const char *id;
    const char *name; // nullptr: the entry carries no "NAME"
};

// The industries as numbered in the menu, and the names that the lists know them by.
const Entry kIndustries[] = {
    {"1)煤炭", nullptr, "煤炭"},          {"2)石油化工", nullptr, "石油化工"},
    {"3)钢铁", nullptr, "钢铁"},          {"4)有色金属", nullptr, "有色金属"},
    {"5)建筑材料", nullptr, "建筑材料"},  {"6)机械", nullptr, "机械"},
    {"7)电气设备", nullptr, "电气设备"},  {"8)轻工印刷", nullptr, "轻工印刷"},
    {"9)建筑工程", nullptr, "建筑工程"},  {"10)交通运输", nullptr, "交通运输"},
    {"11)批发零售", nullptr, "批发零售"}, {"12)汽车及零部件", nullptr, "汽车及零部件"},
    {"13)家电", nullptr, "家电"},         {"14)纺织服装", nullptr, "纺织服装"},
    {"15)旅游休闲", nullptr, "旅游休闲"}, {"16)文化传播", nullptr, "文化传播"},
    {"17)农林牧渔", nullptr, "农林牧渔"}, {"18)食品饮料", nullptr, "食品饮料"},
    {"19)医药生物", nullptr, "医药生物"}, {"20)金融", nullptr, "金融"},
    {"21)房地产", nullptr, "地产"},       {"22)计算机", nullptr, "计算机"},
    {"23)电子/半导体", nullptr, "电子"},  {"24)电信", nullptr, "通信"},
    {"25)公用事业", nullptr, "公用事业"},
};

const Entry kMarkets[] = {
    {"沪市", "_MKT_SH", "沪市"},
    {"深市", "_MKT_SZ", "深市"},
    {"中小板", "_MKT_SME", "中小板"},
    {"创业板", "_MKT_EXT", "创业板"},
};

const Entry kStrategy[] = {
    {"中小盘", "RPT_COD_SMALL", "中小盘"},
    {"沪(深)港通", "RPT_COD_SHHKC", "沪港通"},
};
const Entry kMacro[] = {
    {"中国宏观", "RPT_COD_MACRO_CN", "中国宏观"},
    {"国际宏观", "RPT_COD_MACRO_GLOBE", "国际宏观"},
    {"大宗商品", "RPT_COD_COMMODITY", "大宗商品"},
};
const Entry kEngineering[] = {
    {"股指期货", "RPT_COD_SIF", "股指期货"},
    {"期权", "RPT_COD_OPT", "期权"},
    {"融资融券", "RPT_COD_MARGIN", "融资融券"},
};
const Entry kHongKong[] = {
    {"晨会", "RPT_COD_HK_NWS", "晨会"},         {"策略", "RPT_COD_HK_MKT", "策略"},
    {"行业", "RPT_COD_HK_IND", "行业"},         {"公司", "RPT_COD_HK_COM", "公司"},
    {"新股", "RPT_COD_HK_IPO", "新股"},         {"期指期权", "RPT_COD_HK_DRV", "期指期权"},
};
const Entry kFixedIncome[] = {
    {"国债期货", "RPT_COD_TBF", "国债期货"},
    {"可转债", "RPT_COD_CB", "可转债"},
    {"大类资产", "RPT_COD_ASSET", "大类资产"},
};
const Entry kRatings[] = {
    {"强烈看多", "RAT_RCM_STRONGBUY", nullptr}, {"看多", "RAT_RCM_BUY", nullptr},
    {"中性", "RAT_RCM_HOLD", nullptr},          {"看空", "RAT_RCM_SELL", nullptr},
    {"强烈看空", "RAT_RCM_STRONGSELL", nullptr},
};
const Entry kActions[] = {
    {"首次", "RAT_ACT_INI", nullptr},
    {"上调", "RAT_ACT_UPGRADE", nullptr},
    {"维持", "RAT_ACT_UNCHANGED", nullptr},
    {"下调", "RAT_ACT_DOWNGRADE", nullptr},
};

// The direct buttons of the report page's categories after "晨报", with the split buttons'
// sub-menus; a null sub-menu makes a direct button.
struct Category
{
    const char *text;
    const char *id;
    const Entry *entries;
    int count;
};
template<int N>
constexpr Category split(const char *text, const char *id, const Entry (&entries)[N])
{
    return {text, id, entries, N};
}
const Category kCategories[] = {
    {"晨报", "RPT_COD_MORNING", nullptr, 0},
    split("策略", "RPT_COD_STRATEGY", kStrategy),
    split("宏观", "RPT_COD_MACRO", kMacro),
    {"行业", "RPT_COD_INDUSTRY", nullptr, -1}, // the industry menu
    {"公司", "RPT_COD_COMPANY", nullptr, 0},
    {"新股", "RPT_COD_IPO", nullptr, 0},
    split("金工", "RPT_COD_ENGINEER", kEngineering),
    split("港股", "RPT_COD_HK", kHongKong),
    {"美股", "RPT_COD_US", nullptr, 0},
    {"三板", "RPT_COD_OTC", nullptr, 0},
    {"基金", "RPT_COD_FUND", nullptr, 0},
    split("固收", "RPT_COD_FIX", kFixedIncome),
};

} // namespace

Sidebar::Sidebar(QStackedWidget *stack, QWinMain *window)
    : stack(stack)
    , window(window)
{
    actInstManage = addKeptEntry(stack, QStringLiteral("设置关注"), nullptr);
    QObject::connect(actInstManage, &QAction::triggered, window, &QWinMain::showInstManageDialog);
    actAnalystManage = addKeptEntry(stack, QStringLiteral("设置关注"), nullptr);
    QObject::connect(actAnalystManage, &QAction::triggered, window,
                     &QWinMain::showAnalystManageDialog);
    actBlockManage = addKeptEntry(stack, QStringLiteral("设置板块"), nullptr);
    QObject::connect(actBlockManage, &QAction::triggered, window, &QWinMain::showBlockManageDialog);

    buildReportPage();
    buildRatingPage();
    buildConsensusPage();
    buildAcePage();
    buildMatrixPage();
}

QToolBar *Sidebar::addPage()
{
    auto *page = new QToolBar(stack);
    page->setOrientation(Qt::Vertical);
    stack->addWidget(page);
    return page;
}

namespace {

QToolButton *makeButton(QToolBar *page, const QString &text, bool onReportPage)
{
    auto *button = new QToolButton(page);
    // The style sheet gives the report page's buttons their look.
    if (onReportPage)
        button->setObjectName(QStringLiteral("SidebarButton"));
    button->setText(text);
    button->setFont(getAppFont());
    button->setFixedSize(70, text.contains(QLatin1Char('\n')) ? 48 : 28);
    page->addWidget(button);
    return button;
}

// An open menu holds the mouse, so its button never hears the pointer leave and would keep its
// hover look after the menu has closed, beside the next button opened: the side bar shows no
// selection. Once the menu is gone the button is told, unless the pointer is back on it.
void giveMenu(QToolButton *button, QMenu *menu)
{
    button->setMenu(menu);
    QObject::connect(menu, &QMenu::aboutToHide, button, [button] {
        QTimer::singleShot(0, button, [button] {
            if (!button->underMouse() || button->rect().contains(button->mapFromGlobal(QCursor::pos())))
                return;
            button->setAttribute(Qt::WA_UnderMouse, false);
            QHoverEvent hoverLeave(QEvent::HoverLeave, QPointF(-1, -1), QPointF());
            QApplication::sendEvent(button, &hoverLeave);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(button, &leave);
            button->update();
        });
    });
}

} // namespace

QToolButton *Sidebar::addDirect(QToolBar *page, const QString &text, const char *id)
{
    QToolButton *button = makeButton(page, text, stack->indexOf(page) == 0);
    button->setProperty("ID", QString::fromLatin1(id));
    QObject::connect(button, &QToolButton::clicked, window, &QWinMain::onActionClicked);
    return button;
}

QMenu *Sidebar::addMenuButton(QToolBar *page, const QString &text, const char *menuName)
{
    QToolButton *button = makeButton(page, text, stack->indexOf(page) == 0);
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    if (menuName)
        menu->setObjectName(QLatin1String(menuName));
    giveMenu(button, menu);
    return menu;
}

QMenu *Sidebar::addSplit(QToolBar *page, const QString &text, const char *id)
{
    QToolButton *button = addDirect(page, text, id);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    auto *menu = new QMenu(button);
    giveMenu(button, menu);
    return menu;
}

// A kept entry that belongs to the button of menu.
QAction *Sidebar::addButtonEntry(QMenu *menu, const QString &text, const char *id)
{
    return addKeptEntry(menu->parent(), text, id);
}

void Sidebar::addDirects(QToolBar *page,
                         std::initializer_list<std::pair<const char *, const char *>> buttons)
{
    for (const auto &button : buttons)
        addDirect(page, QString::fromUtf8(button.first), button.second);
}

// The menu of the followed institutions (id "..._INS") or analysts ("..._ANL"), with its kept
// entries that ask for one and that list all that are followed.
void Sidebar::addFollowMenu(QToolBar *page, const char *id, const char *menuName, QMenu *&menu,
                            QAction *&select, QAction *&all)
{
    const bool institutions = QByteArray(id).endsWith("_INS");
    menu = addMenuButton(page, institutions ? QStringLiteral("机构") : QStringLiteral("分析师"),
                         menuName);
    select = addButtonEntry(menu, institutions ? QStringLiteral("选择机构") : QStringLiteral("选择分析师"),
                            id);
    all = addButtonEntry(menu, QStringLiteral("全部关注"), QByteArray(id).append("_ALL").constData());
}

QAction *Sidebar::addKeptEntry(QObject *parent, const QString &text, const char *id)
{
    auto *entry = new QAction(text, parent);
    entry->setFont(getAppFont());
    if (id) {
        entry->setProperty("ID", QString::fromLatin1(id));
        QObject::connect(entry, &QAction::triggered, window, &QWinMain::onActionClicked);
    }
    return entry;
}

// An invalid name leaves the entry without "NAME".
QAction *Sidebar::addEntry(QMenu *menu, const QString &text, const QString &id,
                           const QVariant &name)
{
    return addEntry(menu, new QAction(text, menu), id, name);
}

QAction *Sidebar::addEntry(QMenu *menu, QAction *entry, const QString &id, const QVariant &name)
{
    entry->setFont(getAppFont());
    entry->setProperty("ID", id);
    if (name.isValid())
        entry->setProperty("NAME", name.toString());
    QObject::connect(entry, &QAction::triggered, window, &QWinMain::onActionClicked);
    menu->addAction(entry);
    return entry;
}

namespace {

QVariant nameOf(const Entry &entry)
{
    return entry.name ? QVariant(QString::fromUtf8(entry.name)) : QVariant();
}

template<class AddEntry, int N>
void addEntries(const Entry (&entries)[N], AddEntry add)
{
    for (const Entry &entry : entries)
        add(QString::fromUtf8(entry.text), QString::fromLatin1(entry.id), nameOf(entry));
}

} // namespace

void Sidebar::addIndustryMenu(QToolBar *page, const char *id)
{
    QMenu *menu = stack->indexOf(page) == 0 ? addSplit(page, QStringLiteral("行业"), "RPT_COD_INDUSTRY")
                                            : addMenuButton(page, QStringLiteral("行业"), nullptr);
    addEntries(kIndustries, [&](const QString &text, const QString &, const QVariant &name) {
        addEntry(menu, text, QString::fromLatin1(id), name);
    });
}

void Sidebar::addMarketMenu(QToolBar *page, const QString &idPrefix)
{
    QMenu *menu = addMenuButton(page, QStringLiteral("市场"), nullptr);
    addEntries(kMarkets, [&](const QString &text, const QString &suffix, const QVariant &name) {
        addEntry(menu, text, idPrefix + suffix, name);
    });
}

void Sidebar::buildReportPage()
{
    QToolBar *page = addPage();
    addDirect(page, QStringLiteral("最新"), "RPT_NEW");
    mnuSubscribe = addMenuButton(page, QStringLiteral("订阅"), "mnuSubscribe");
    actSubscribeManage = addButtonEntry(mnuSubscribe, QStringLiteral("设置订阅"), nullptr);
    QObject::connect(actSubscribeManage, &QAction::triggered, window,
                     &QWinMain::showSubscribeManageDialog);
    actSubscribeAll = addButtonEntry(mnuSubscribe, QStringLiteral("全部订阅"), "RPT_SUB_ALL");
    loadSubscribeList();
    mnuFavorite = addMenuButton(page, QStringLiteral("收藏"), "mnuFavorite");
    actFavoriteManage = addButtonEntry(mnuFavorite, QStringLiteral("设置收藏夹"), nullptr);
    QObject::connect(actFavoriteManage, &QAction::triggered, window,
                     &QWinMain::showFavoriteManageDialog);
    loadFavoriteList();
    page->addSeparator();

    addFollowMenu(page, "RPT_INS", "mnuReportInst", mnuReportInst,
                  actReportInstSelect, actReportInstAll);
    addFollowMenu(page, "RPT_ANL", "mnuReportAnalyst", mnuReportAnalyst,
                  actReportAnalystSelect, actReportAnalystAll);
    QToolButton *award = makeButton(page, QStringLiteral("新财富"), true);
    QObject::connect(award, &QToolButton::clicked, window, &QWinMain::showAnalystDialog);
    addDirect(page, QStringLiteral("大行"), "RPT_INB");
    page->addSeparator();

    addDirect(page, QStringLiteral("个股"), "RPT_STK");
    mnuReportBlock = addMenuButton(page, QStringLiteral("板块"), "mnuReportBlock");
    btnReportBlock = qobject_cast<QToolButton *>(mnuReportBlock->parentWidget());
    page->addSeparator();
    buildReportCategories(page);
}

void Sidebar::buildReportCategories(QToolBar *page)
{
    for (const Category &category : kCategories) {
        const QString text = QString::fromUtf8(category.text);
        if (category.count < 0) {
            addIndustryMenu(page, "RPT_IND");
        } else if (category.count == 0) {
            addDirect(page, text, category.id);
        } else {
            QMenu *menu = addSplit(page, text, category.id);
            for (int i = 0; i < category.count; ++i) {
                const Entry &entry = category.entries[i];
                addEntry(menu, QString::fromUtf8(entry.text), QString::fromLatin1(entry.id),
                         nameOf(entry));
            }
        }
    }
}

void Sidebar::buildRatingPage()
{
    QToolBar *page = addPage();
    addDirect(page, QStringLiteral("最新"), "RAT_NEW");
    page->addSeparator();
    addFollowMenu(page, "RAT_INS", "mnuRatingInst", mnuRatingInst,
                  actRatingInstSelect, actRatingInstAll);
    addFollowMenu(page, "RAT_ANL", "mnuRatingAnalyst", mnuRatingAnalyst,
                  actRatingAnalystSelect, actRatingAnalystAll);
    page->addSeparator();
    addDirect(page, QStringLiteral("个股"), "RAT_STK");
    mnuRatingBlock = addMenuButton(page, QStringLiteral("板块"), "mnuRatingBlock");
    addIndustryMenu(page, "RAT_IND");
    addMarketMenu(page, QStringLiteral("RAT"));
    page->addSeparator();
    QMenu *ratings = addMenuButton(page, QStringLiteral("评级"), nullptr);
    addEntries(kRatings, [&](const QString &text, const QString &id, const QVariant &name) {
        addEntry(ratings, text, id, name);
    });
    QMenu *actions = addMenuButton(page, QStringLiteral("调整"), nullptr);
    addEntries(kActions, [&](const QString &text, const QString &id, const QVariant &name) {
        addEntry(actions, text, id, name);
    });
    page->addSeparator();
    addDirects(page, {{"首次\n推荐", "RAT_FST"},
                      {"目标价\n较高", "RAT_TPS"},
                      {"目标价\n上调", "RAT_TPR"},
                      {"盈利\n上调", "RAT_ESR"}});
}

void Sidebar::buildConsensusPage()
{
    QToolBar *page = addPage();
    addDirect(page, QStringLiteral("全部"), "CNS_ALL");
    page->addSeparator();
    addDirect(page, QStringLiteral("个股"), "CNS_STK");
    mnuConsensusBlock = addMenuButton(page, QStringLiteral("板块"), "mnuConsensusBlock");
    addIndustryMenu(page, "CNS_IND");
    addMarketMenu(page, QStringLiteral("CNS"));
    page->addSeparator();
    addDirects(page, {{"关注\n增加", "CNS_INC"},
                      {"目标价\n较高", "CNS_TPS"},
                      {"目标价\n上调", "CNS_TPR"},
                      {"盈利\n上调", "CNS_ESR"},
                      {"成长性\n较高", "CNS_GRH"},
                      {"市盈率\n较低", "CNS_PEL"},
                      {"PEG\n较低", "CNS_PEG"}});
}

void Sidebar::buildAcePage()
{
    QToolBar *page = addPage();
    addDirect(page, QStringLiteral("全部"), "ACE_ALL");
    page->addSeparator();
    addFollowMenu(page, "ACE_INS", "mnuAceInst", mnuAceInst,
                  actAceInstSelect, actAceInstAll);
    addFollowMenu(page, "ACE_ANL", "mnuAceAnalyst", mnuAceAnalyst,
                  actAceAnalystSelect, actAceAnalystAll);
    addIndustryMenu(page, "ACE_IND");
}

void Sidebar::buildMatrixPage()
{
    QToolBar *page = addPage();
    addDirect(page, QStringLiteral("全部"), "MTX_ALL");
    page->addSeparator();
    addDirect(page, QStringLiteral("个股"), "MTX_STK");
    mnuMatrixBlock = addMenuButton(page, QStringLiteral("板块"), "mnuMatrixBlock");
    addIndustryMenu(page, "MTX_IND");
    addMarketMenu(page, QStringLiteral("MTX"));
    page->addSeparator();
    addDirects(page, {{"A类", "MTX_LVL_A"},
                      {"B类", "MTX_LVL_B"},
                      {"C类", "MTX_LVL_C"}});
}
