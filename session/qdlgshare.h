#pragma once

#include <QDialog>

// Stand-in for the report share dialog: modal, deleted on close, sharing nothing.
class QDlgShare : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgShare(QWidget *parent = nullptr);

    void requestShareLink(const QString &rptID, const QString &inst, const QString &title,
                          const QString &stkCode);
};
