#pragma once

#include <QDialog>

// The preferences; not built yet.
class QDlgOption : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgOption(QWidget *parent = nullptr);
};
