#pragma once

#include <QDialog>

namespace Ui {
class QDlgHotRating;
}

// The twenty stocks that the most institutions rated bullish (score above 3) in the 30 days up
// to the newest report entry, one count per institution. Kept by the main window for the whole
// run; the list is read again each time the dialog is shown, so it follows the imports.
class QDlgHotRating : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgHotRating(QWidget *parent = nullptr);
    ~QDlgHotRating() override;

signals:
    void showRatingListOfStock(const QString &stockCode);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void showRatingOfStock();

private:
    void loadList();

    Ui::QDlgHotRating *ui;
};
