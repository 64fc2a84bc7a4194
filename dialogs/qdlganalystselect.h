#pragma once

#include <QDialog>

// The analyst picker. Until it is built no analyst can be chosen.
class QDlgAnalystSelect : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalystSelect(QWidget *parent = nullptr);

    QString getSelectedAnalyst() const;
};
