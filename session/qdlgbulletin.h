#pragma once

#include <QDialog>

class QPlainTextEdit;

// Stand-in for the server bulletin box: modal, deleted on close, showing the text.
class QDlgBulletin : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgBulletin(QWidget *parent = nullptr);

    void setContent(const QString &text);

private:
    QPlainTextEdit *edtContent = nullptr;
};
