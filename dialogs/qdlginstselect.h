#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;

// Fills a list with institution rows in the given order: the name's initial, a blank and the name,
// with the name as the row's user data.
void fillInstList(QListWidget *list, const QStringList &names);

// The institution picker: the institutions with a rating published (kind "RAT") or a report
// entered (any other kind) within Option/RatingDays before the newest report entry, ordered by
// their pinyin initials. Use: construct, exec(), getSelectedInst when accepted.
class QDlgInstSelect : public QDialog
{
    Q_OBJECT

public:
    QDlgInstSelect(QWidget *parent, const QString &kind);

    QString getSelectedInst() const;

private slots:
    void accept() override;

private:
    QStringList queryInstList() const;

    QListWidget *lstInst;
    QString selectedInst;
    QString kind;
};
