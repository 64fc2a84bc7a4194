#pragma once

#include <QDialog>

class QListWidget;

// Lists the concerned analysts in the order they were added, adds one through the picker and
// removes the current one. Each change goes to the user-list store at once (which marks the list
// for upload), then the list is refilled and the side bar asked to reload.
class QDlgAnalystManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalystManage(QWidget *parent = nullptr);

signals:
    void loadConcernedAnalystListOfSidebar();

private slots:
    void addAnalyst();
    void removeAnalyst();

private:
    void loadAnalystList();

    QListWidget *lstAnalyst;
};
