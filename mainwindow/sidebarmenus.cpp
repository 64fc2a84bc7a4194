// The side bar's menus of the user's own lists, rebuilt from the user-list store, and the
// tip on the report page's "板块".

#include "sidebar.h"

#include "analystcache.h"
#include "qwinmain.h"
#include "userlists.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QToolButton>

namespace {

const QString kTipStyle = QStringLiteral(
    "QToolButton { background-image:url(:/images/redpoint.png); background-position: left center; "
    "background-repeat: no-repeat; }");
const QString kTipIcon = QStringLiteral(":/images/redpoint.png");

} // namespace

// Empties menu: its own entries are taken out and deleted later, the kept ones (owned
// elsewhere) only taken out. A rebuild may run while one of the entries is still being
// triggered: a picker opened from it runs a nested event loop, which delivers the engine's
// queued reload and would also run a deferred delete. Such an entry is deleted once its
// trigger has returned.
void Sidebar::takeEntries(QMenu *menu)
{
    for (QAction *entry : menu->actions()) {
        menu->removeAction(entry);
        if (entry->parent() != menu)
            continue;
        if (triggering.contains(entry))
            retired.insert(entry);
        else
            entry->deleteLater();
    }
}

QAction *Sidebar::addListEntry(QMenu *menu, const QString &id, const Item &item)
{
    auto *entry = new QAction(item.text, menu);
    QObject::connect(entry, &QAction::triggered, entry, [this, entry] { triggering.insert(entry); });
    addEntry(menu, entry, id, QVariant(item.name));
    if (menu == mnuReportBlock) {
        // The report page's block entries carry the tip of new reports.
        entry->setData(QString());
        entry->setIconVisibleInMenu(true);
        QObject::connect(entry, &QAction::triggered, window, &QWinMain::hideReportTipOfBlock);
    }
    QObject::connect(entry, &QAction::triggered, entry, [this, entry] {
        triggering.remove(entry);
        if (retired.remove(entry))
            entry->deleteLater();
    });
    return entry;
}

void Sidebar::rebuild(const QList<ListMenu> &family, const QList<Item> &items)
{
    for (const ListMenu &list : family) {
        takeEntries(list.menu);
        list.menu->addActions(list.head);
    }
    if (items.isEmpty())
        return;
    for (const ListMenu &list : family)
        list.menu->addSeparator();
    for (const Item &item : items) {
        for (const ListMenu &list : family) {
            addListEntry(list.menu, list.id, item);
        }
    }
    for (const ListMenu &list : family) {
        if (!list.all)
            continue;
        list.menu->addSeparator();
        list.menu->addAction(list.all);
    }
}

namespace {

template<class Text, class Name>
QList<Sidebar::Item> itemsOf(const QStringList &values, Text text, Name name)
{
    QList<Sidebar::Item> items;
    for (const QString &value : values)
        items.append({text(value), name(value)});
    return items;
}

QList<Sidebar::Item> namedItems(const QStringList &names)
{
    const auto same = [](const QString &name) { return name; };
    return itemsOf(names, same, same);
}

} // namespace

void Sidebar::loadSubscribeList()
{
    rebuild({{mnuSubscribe, {actSubscribeManage}, QStringLiteral("RPT_SUB"), actSubscribeAll}},
            namedItems(getSubscribeNameList()));
}

void Sidebar::loadFavoriteList()
{
    rebuild({{mnuFavorite, {actFavoriteManage}, QStringLiteral("RPT_FAV"), nullptr}},
            namedItems(getFavoriteNameList()));
}

void Sidebar::loadConcernedInstList()
{
    rebuild({{mnuReportInst, {actReportInstSelect, actInstManage}, QStringLiteral("RPT_INS"),
              actReportInstAll},
             {mnuRatingInst, {actRatingInstSelect, actInstManage}, QStringLiteral("RAT_INS"),
              actRatingInstAll},
             {mnuAceInst, {actAceInstSelect, actInstManage}, QStringLiteral("ACE_INS"),
              actAceInstAll}},
            namedItems(getConcernedInstList()));
}

void Sidebar::loadConcernedAnalystList()
{
    // An analyst the cache does not know gets an empty entry, which asks for an analyst.
    rebuild({{mnuReportAnalyst, {actReportAnalystSelect, actAnalystManage},
              QStringLiteral("RPT_ANL"), actReportAnalystAll},
             {mnuRatingAnalyst, {actRatingAnalystSelect, actAnalystManage},
              QStringLiteral("RAT_ANL"), actRatingAnalystAll},
             {mnuAceAnalyst, {actAceAnalystSelect, actAnalystManage}, QStringLiteral("ACE_ANL"),
              actAceAnalystAll}},
            itemsOf(getConcernedAnalystList(), getAnalystName, getAnalystId));
}

void Sidebar::loadBlockList()
{
    rebuild({{mnuReportBlock, {actBlockManage}, QStringLiteral("RPT_BLK"), nullptr},
             {mnuRatingBlock, {actBlockManage}, QStringLiteral("RAT_BLK"), nullptr},
             {mnuConsensusBlock, {actBlockManage}, QStringLiteral("CNS_BLK"), nullptr},
             {mnuMatrixBlock, {actBlockManage}, QStringLiteral("MTX_BLK"), nullptr}},
            namedItems(getBlockNameList()));
}

void Sidebar::showReportTipOfBlock(const QString &stockCode)
{
    btnReportBlock->setStyleSheet(kTipStyle);
    for (QAction *entry : mnuReportBlock->actions()) {
        const QString block = entry->property("NAME").toString();
        if (block.isEmpty() || !isStockOfBlock(block, stockCode))
            continue;
        entry->setData(QStringLiteral("1"));
        entry->setIcon(QIcon(kTipIcon));
    }
}

void Sidebar::hideReportTipOfBlock(QAction *entry)
{
    if (entry) {
        entry->setData(QString());
        entry->setIcon(QIcon());
    }
    for (const QAction *other : mnuReportBlock->actions()) {
        if (!other->data().toString().isEmpty())
            return;
    }
    btnReportBlock->setStyleSheet(QString());
}
