#pragma once

#include "messagescroller.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>

// The one-line ticker of the message dialog: the day's new reports scroll from right to left,
// one pixel every 30 ms, yellow on their first pass and cyan when the rotation queue shows
// them again. The mouse over the strip stops it and underlines the message beneath; a click
// without movement emits clicked(), a double-click once. Mouse events are left unaccepted so that the dialog
// beneath can be dragged by the strip.
class QMessageBoard : public QWidget
{
    Q_OBJECT

public:
    explicit QMessageBoard(QWidget *parent = nullptr);
    ~QMessageBoard() override;

    void addMessage(const QString &reportId, const QString &title, const QString &institution,
                    const QString &type, const QDateTime &entryTime, const QDateTime &publishDate);
    void startScroll();
    void stopScroll();
    bool isScrolling() const { return scrollTimerId != 0; }

    // One step of the scroll timer: nothing while the mouse is over the strip.
    void tick();

    QString getHoverReportId() const { return hoverReportId; }
    QString getHoverFileName() const { return hoverFileName; }
    const MessageScroller &messages() const { return scroller; }

signals:
    void clicked();

protected:
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int textWidth(const QString &text) const;
    void drawMessages(int mouseX);

    int scrollTimerId = 0;
    QPixmap image;
    QFont font;
    bool hovered = false;
    bool pressed = false;
    QString hoverReportId;
    QString hoverFileName;
    MessageScroller scroller;
};
