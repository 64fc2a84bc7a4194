#pragma once

#include <QDialog>
#include <QPair>
#include <QScriptValue>
#include <QVector>

namespace Ui {
class QDlgAnalyst;
}

// The yearly best-analyst award table from the embedded ":/xcf.ini", one year at a time.
// Kept by the main window for the whole run; an analyst link asks for that analyst's reports.
class QDlgAnalyst : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalyst(QWidget *parent = nullptr);
    ~QDlgAnalyst() override;

    // "name[id],name[id]" as black links separated by " , "; empty parts add nothing.
    static QString analystLinks(const QString &anls);

signals:
    void showReportListOfInst(const QString &institution);
    void showReportListOfAnls(const QString &analystId);

public slots:
    void showReportOfInst(const QString &institution);
    void showReportOfAnls(const QString &analystId);
    void showAnalyst(const QString &year);

private:
    void loadYearLinks();
    void loadYearEntries(const QString &year);
    void addCategory(const QScriptValue &category);

    Ui::QDlgAnalyst *ui;
    QVector<QPair<QString, QString>> m_entries;
    QString m_year;
};
