#pragma once

#include <QDialog>

namespace Ui {
class QDlgProxy;
}

// Edits the user's HTTP proxy (switch, host, port, user, password). OK stores it and writes
// the Proxy section of the user's settings file; requests started afterwards use it. A proxy
// switched on needs a host name or an IP address (no blanks, no markup or scheme) and a port from
// 1 to 65535: else OK says so and the dialog stays open with what was typed.
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
    bool refusesInput();
    bool refuse(QWidget *field, const QString &text);

    Ui::QDlgProxy *ui;
};
