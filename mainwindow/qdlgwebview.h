#pragma once

#include <QDialog>

// The web page dialog. Kept by the main window for the whole run; the page view is not
// built yet.
class QDlgWebview : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgWebview(QWidget *parent = nullptr);

    void load();
};
