#pragma once

#include <QDialog>

// The display settings; not built yet.
class QDlgDisplay : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDisplay(QWidget *parent = nullptr);
};
