#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;

// Fills a list with analyst rows in the given order: "[institution]name" from the analyst cache,
// with the uid as the row's user data.
void fillAnalystList(QListWidget *list, const QStringList &uids);

// The analyst picker: searches the analyst cache by a keyword in the name (on Return or "搜索")
// and hands the chosen analyst's uid back. Use: construct, exec(), getSelectedAnalyst when accepted.
class QDlgAnalystSelect : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalystSelect(QWidget *parent = nullptr);

    QString getSelectedAnalyst() const;

private slots:
    void accept() override;
    void freshAnalystList();

private:
    QLineEdit *edtKeyword;
    QListWidget *lstAnalyst;
    QString selectedAnalyst;
};
