#pragma once

#include "namedlist.h"

#include <QDialog>

class QListWidget;

// Lists the favourite folders and creates, renames and deletes them. Each change goes to the
// user-list store at once (which marks the folders for upload), then the list is refilled and the
// side bar asked to reload.
class QDlgFavoriteManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgFavoriteManage(QWidget *parent = nullptr);

signals:
    void loadFavoriteListOfSidebar();

private slots:
    void newFavorite();
    void renameFavorite();
    void removeFavorite();

private:
    void loadFavoriteList();
    void refresh();

    QListWidget *lstFavorite;
    NamedListKind kind;
};
