#pragma once

#include <QDialog>

// The editor of the concerned institutions; not built yet.
class QDlgInstManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgInstManage(QWidget *parent = nullptr);

signals:
    void loadConcernedInstListOfSidebar();
};
