#pragma once

#include <QDialog>
#include <QString>

class QListWidget;

// Edits the stock codes of one block. The rows are the pending members: stocks are added through
// the code lookup and taken out of the list, and only "确定" writes the difference to the store.
class QDlgBlockedStock : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgBlockedStock(QWidget *parent = nullptr);

    // Call once, before exec().
    void setBlock(const QString &name);

private slots:
    void accept() override;
    void addStock();
    void removeStock();

private:
    void appendStock(const QString &code);

    QListWidget *lstStock;
    QString block;
};
