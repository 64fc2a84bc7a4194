#pragma once

#include <QDialog>

// The editor of the favourite folders; not built yet.
class QDlgFavoriteManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgFavoriteManage(QWidget *parent = nullptr);

signals:
    void loadFavoriteListOfSidebar();
};
