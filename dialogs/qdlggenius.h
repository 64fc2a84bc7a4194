#pragma once

#include <QDialog>

// The stock-code lookup. Until it is built no stock can be chosen.
class QDlgGenius : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgGenius(QWidget *parent = nullptr);

    void setKeyword(const QString &key);
    QString getSelectedStock() const;

private:
    QString keyword;
};
