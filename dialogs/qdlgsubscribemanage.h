#pragma once

#include <QDialog>

// The editor of the report subscriptions; not built yet.
class QDlgSubscribeManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgSubscribeManage(QWidget *parent = nullptr);

signals:
    void loadSubscribeListOfSidebar();
};
