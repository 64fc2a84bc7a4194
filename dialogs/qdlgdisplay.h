#pragma once

#include <QDialog>

namespace Ui {
class QDlgDisplay;
}

// The display settings: rows per list page, minimum page count, company reports in industry lists.
class QDlgDisplay : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDisplay(QWidget *parent = nullptr);
    ~QDlgDisplay() override;

private slots:
    void accept() override;

private:
    void init();

    Ui::QDlgDisplay *ui;
};
