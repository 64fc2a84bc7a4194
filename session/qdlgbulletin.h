#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class QDlgBulletin;
}

// The service's bulletin, shown once after start-up by the main window; modal, deletes itself
// when closed.
class QDlgBulletin : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgBulletin(QWidget *parent = nullptr);
    ~QDlgBulletin() override;

    // Plain or rich text, as the text box detects it.
    void setContent(const QString &text);

private:
    void init();

    Ui::QDlgBulletin *ui;
};
