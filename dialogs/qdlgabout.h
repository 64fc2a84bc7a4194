#pragma once

#include <QDialog>

namespace Ui {
class QDlgAbout;
}

// The about box: name, version, user, contacts and the data directory, whose new choice
// takes effect at the next start.
class QDlgAbout : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAbout(QWidget *parent = nullptr);
    ~QDlgAbout() override;

    // The link that opens a local folder, its text escaped for the label's markup.
    static QString folderLink(const QString &path);

private slots:
    void setAppDataLocation();

private:
    void init();

    Ui::QDlgAbout *ui;
};
