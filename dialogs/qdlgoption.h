#pragma once

#include <QDialog>

namespace Ui {
class QDlgOption;
}

// The preferences: reader, message strip, alert kinds, first data year, file-name format.
// Reads the options when built and writes them, with the whole option block, only on OK.
class QDlgOption : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgOption(QWidget *parent = nullptr);
    ~QDlgOption() override;

private slots:
    void accept() override;

private:
    void init();

    Ui::QDlgOption *ui;
};
