#pragma once

#include <QDialog>

// The institution picker (rang "RAT": institutions of ratings, else of reports). Until it is
// built no institution can be chosen.
class QDlgInstSelect : public QDialog
{
    Q_OBJECT

public:
    QDlgInstSelect(QWidget *parent, const QString &rang);

    QString getSelectedInst() const;

private:
    QString rang;
};
