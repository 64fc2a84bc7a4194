#pragma once

#include <QDateTime>
#include <QDialog>

// The window of the scrolling message strip. Kept by the main window for the whole run;
// the strip is not built yet.
class QDlgMessage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgMessage(QWidget *parent = nullptr);

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void addMessage(const QString &reportId, const QString &title, const QString &institution,
                    const QString &type, const QDateTime &entryTime, const QDateTime &publishDate);
    void messageClicked();
};
