#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

class QAction;
class QMenu;
class QObject;
class QStackedWidget;
class QToolBar;
class QToolButton;
class QWinMain;

// The side bar of the main window: one vertical tool bar of list buttons per list kind
// (reports, ratings, consensus, analyst ranking, value matrix), in the pages of stack.
// Every button or entry that selects a list carries the list id in its "ID" property and,
// where the list takes one, its parameter in "NAME"; both go to the window's
// onActionClicked(). The menus of the user's own lists are rebuilt from the user-list store
// by the load...List() functions, and the report page's "板块" carries the tip of new
// reports on the stocks of a block.
class Sidebar
{
public:
    Sidebar(QStackedWidget *stack, QWinMain *window);

    void loadSubscribeList();
    void loadFavoriteList();
    void loadConcernedInstList();
    void loadConcernedAnalystList();
    void loadBlockList();
    void showReportTipOfBlock(const QString &stockCode);
    void hideReportTipOfBlock(QAction *entry);

    // Kept entries and menus, made once and shown again at every rebuild.
    QAction *actInstManage = nullptr;
    QAction *actAnalystManage = nullptr;
    QAction *actBlockManage = nullptr;
    QMenu *mnuSubscribe = nullptr;
    QAction *actSubscribeManage = nullptr;
    QAction *actSubscribeAll = nullptr;
    QMenu *mnuFavorite = nullptr;
    QAction *actFavoriteManage = nullptr;
    QMenu *mnuReportInst = nullptr;
    QAction *actReportInstSelect = nullptr;
    QAction *actReportInstAll = nullptr;
    QMenu *mnuReportAnalyst = nullptr;
    QAction *actReportAnalystSelect = nullptr;
    QAction *actReportAnalystAll = nullptr;
    QToolButton *btnReportBlock = nullptr;
    QMenu *mnuReportBlock = nullptr;
    QMenu *mnuRatingInst = nullptr;
    QAction *actRatingInstSelect = nullptr;
    QAction *actRatingInstAll = nullptr;
    QMenu *mnuRatingAnalyst = nullptr;
    QAction *actRatingAnalystSelect = nullptr;
    QAction *actRatingAnalystAll = nullptr;
    QMenu *mnuRatingBlock = nullptr;
    QMenu *mnuConsensusBlock = nullptr;
    QMenu *mnuAceInst = nullptr;
    QAction *actAceInstSelect = nullptr;
    QAction *actAceInstAll = nullptr;
    QMenu *mnuAceAnalyst = nullptr;
    QAction *actAceAnalystSelect = nullptr;
    QAction *actAceAnalystAll = nullptr;
    QMenu *mnuMatrixBlock = nullptr;

    struct Item
    {
        QString text;
        QString name;
    };

private:
    // One menu of a user's list: what leads it, the id of its items, what ends it.
    struct ListMenu
    {
        QMenu *menu;
        QList<QAction *> head;
        QString id;
        QAction *all;
    };

    QToolBar *addPage();
    QToolButton *addDirect(QToolBar *page, const QString &text, const char *id);
    QMenu *addMenuButton(QToolBar *page, const QString &text, const char *menuName);
    QMenu *addSplit(QToolBar *page, const QString &text, const char *id);
    QAction *addKeptEntry(QObject *parent, const QString &text, const char *id);
    QAction *addButtonEntry(QMenu *menu, const QString &text, const char *id);
    void addDirects(QToolBar *page,
                    std::initializer_list<std::pair<const char *, const char *>> buttons);
    void addFollowMenu(QToolBar *page, const char *id, const char *menuName, QMenu *&menu,
                       QAction *&select, QAction *&all);
    QAction *addEntry(QMenu *menu, const QString &text, const QString &id, const QVariant &name);
    QAction *addEntry(QMenu *menu, QAction *entry, const QString &id, const QVariant &name);
    QAction *addListEntry(QMenu *menu, const QString &id, const Item &item);
    void takeEntries(QMenu *menu);
    void addIndustryMenu(QToolBar *page, const char *id);
    void addMarketMenu(QToolBar *page, const QString &idPrefix);
    void buildReportPage();
    void buildReportCategories(QToolBar *page);
    void buildRatingPage();
    void buildConsensusPage();
    void buildAcePage();
    void buildMatrixPage();
    void rebuild(const QList<ListMenu> &family, const QList<Item> &items);

    QStackedWidget *stack;
    QWinMain *window;
    // Entries whose trigger is running, and those of them that a rebuild has taken out.
    QSet<QAction *> triggering;
    QSet<QAction *> retired;
};
