#pragma once

#include "namedlist.h"

#include <QDialog>

class QListWidget;

// Lists the stock blocks and creates, renames and deletes them; "成分股" opens the member editor of
// the chosen block. Each change goes to the user-list store at once (which marks the blocks for
// upload), then the list is refilled and the side bar asked to reload.
class QDlgBlockManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgBlockManage(QWidget *parent = nullptr);

signals:
    void loadBlockListOfSidebar();

private slots:
    void newBlock();
    void renameBlock();
    void manageStock();
    void removeBlock();

private:
    void loadBlockList();
    void refresh();

    QListWidget *lstBlock;
    NamedListKind kind;
};
