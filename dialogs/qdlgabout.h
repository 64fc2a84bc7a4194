#pragma once

#include <QDialog>

// The about box; its contents are not built yet.
class QDlgAbout : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAbout(QWidget *parent = nullptr);
};
