#pragma once

#include <QDateTime>
#include <QDialog>

class QMessageBoard;

// The small frameless, always-on-top window of the message strip. The update engine's
// announcements of the day's new reports arrive through addMessage; a click on a message asks
// for that report's file. Dragged by the logo or the strip. Kept by the main window for the
// whole run; the strip scrolls only while the window is shown.
class QDlgMessage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgMessage(QWidget *parent = nullptr);

    QMessageBoard *messageBoard() const { return board; }

    // Showing starts the strip's scrolling, hiding stops it.
    void setVisible(bool visible) override;

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void addMessage(const QString &reportId, const QString &title, const QString &institution,
                    const QString &type, const QDateTime &entryTime, const QDateTime &publishDate);
    void messageClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint pressGlobalPos;
    QPoint pressWindowPos;
    QMessageBoard *board = nullptr;
};
