#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The stock-code lookup: lists the stocks whose code, name or spelling holds the keyword as the
// user types it, and hands the chosen code back. Clearing the keyword or Escape closes it as
// rejected. Before the update engine has brought any stock, it keeps what is typed and fills its
// list when the stocks arrive; a Return typed meanwhile then takes the stock found, unless the
// keyword was edited after it.
// Use: construct, optionally setKeyword, exec(), getSelectedStock when accepted.
class QDlgGenius : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgGenius(QWidget *parent = nullptr);

    // Puts the text, upper-cased, into the keyword field; the list fills at once.
    void setKeyword(const QString &text);
    QString getSelectedStock() const;

    void setVisible(bool visible) override;

public slots:
    void accept() override;
    void keywordChanged(const QString &keyword);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fillList(const QString &keyword);
    void stocksLoaded();

    QLineEdit *edtKeyword;
    QPushButton *btnOK;
    QListWidget *lstStock;
    QLabel *lblWaiting;
    QString selectedCode;
    bool waiting = false;   // T_Stock held no stock at all when the list was last filled
    bool acceptWhenLoaded = false;   // a Return came while waiting
};
