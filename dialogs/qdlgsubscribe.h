#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class QDlgSubscribe;
}

class QLineEdit;

// Writes or changes one report subscription's condition: title, institution and analyst keywords
// and a report category. setContent fills the fields from a condition text; after OK, getContent
// gives the new text (empty when the dialog was not accepted).
class QDlgSubscribe : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgSubscribe(QWidget *parent = nullptr);
    ~QDlgSubscribe() override;

    void setContent(const QString &json);
    QString getContent() const;

private slots:
    void subscribeReport();

private:
    bool refuseKeyword(QLineEdit *edit, const QString &message);

    Ui::QDlgSubscribe *ui;
    QString content;
};
