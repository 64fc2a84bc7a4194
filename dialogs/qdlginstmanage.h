#pragma once

#include <QDialog>

class QListWidget;

// Lists the concerned institutions in pinyin-initials order, adds one through the picker and
// removes the current one. Each change goes to the user-list store at once (which marks the list
// for upload), then the list is refilled and the side bar asked to reload.
class QDlgInstManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgInstManage(QWidget *parent = nullptr);

signals:
    void loadConcernedInstListOfSidebar();

private slots:
    void addInst();
    void removeInst();

private:
    void loadInstList();

    QListWidget *lstInst;
};
