#pragma once

#include <QDialog>

// The editor of the concerned analysts; not built yet.
class QDlgAnalystManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalystManage(QWidget *parent = nullptr);

signals:
    void loadConcernedAnalystListOfSidebar();
};
