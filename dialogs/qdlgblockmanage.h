#pragma once

#include <QDialog>

// The editor of the stock blocks; not built yet.
class QDlgBlockManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgBlockManage(QWidget *parent = nullptr);

signals:
    void loadBlockListOfSidebar();
};
