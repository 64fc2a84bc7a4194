#pragma once

#include <QDialog>

namespace Ui {
class QDlgProxy;
}

// Edits the user's HTTP proxy (switch, host, port, user, password). OK stores it and writes
// the Proxy section of the user's settings file; requests started afterwards use it.
// Modal, deletes itself when closed.
class QDlgProxy : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgProxy(QWidget *parent = nullptr);
    ~QDlgProxy() override;

private slots:
    void accept() override;
    void switchProxy();

private:
    void init();

    Ui::QDlgProxy *ui;
};
