#include "qmessageboard.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

const int kScrollInterval = 30;
const qreal kBaseline = 15.0;

} // namespace

QMessageBoard::QMessageBoard(QWidget *parent)
    : QWidget(parent)
    , image(size())
    , font(QWidget::font())
{
    setMouseTracking(true);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::black));
    image.fill(Qt::black);
}

QMessageBoard::~QMessageBoard()
{
    stopScroll();
}

void QMessageBoard::addMessage(const QString &reportId, const QString &title,
                               const QString &institution, const QString &type,
                               const QDateTime &entryTime, const QDateTime &publishDate)
{
    scroller.add(QMessageRecord(reportId, title, institution, type, entryTime, publishDate));
}

void QMessageBoard::startScroll()
{
    // A second start would run two timers and double the speed.
    if (scrollTimerId == 0)
        scrollTimerId = startTimer(kScrollInterval);
}

void QMessageBoard::stopScroll()
{
    if (scrollTimerId != 0)
        killTimer(scrollTimerId);
    scrollTimerId = 0;
}

void QMessageBoard::tick()
{
    if (hovered)
        return;
    scroller.step(width(), [this](const QString &text) { return textWidth(text); });
    drawMessages(0);
}

void QMessageBoard::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != scrollTimerId) {
        QWidget::timerEvent(event);
        return;
    }
    tick();
}

int QMessageBoard::textWidth(const QString &text) const
{
    return QFontMetrics(font, &image).horizontalAdvance(text);
}

void QMessageBoard::drawMessages(int mouseX)
{
    image.fill(Qt::black);
    QPainter painter(&image);
    QFont drawFont = font;
    bool hit = false;
    hoverReportId.clear();
    for (const QMessageRecord &record : scroller.strip()) {
        painter.setPen(record.isFirstPass() ? Qt::yellow : Qt::cyan);
        const int left = record.getX();
        const bool under = hovered && left <= mouseX && mouseX <= left + textWidth(record.getText());
        if (under) {
            hoverReportId = record.getId();
            hoverFileName = record.getFileName();
            hit = true;
        }
        drawFont.setUnderline(under);
        painter.setFont(drawFont);
        painter.drawText(QPointF(left, kBaseline), record.getText());
    }
    setCursor(hit ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void QMessageBoard::mousePressEvent(QMouseEvent *event)
{
    pressed = true;
    event->ignore();
}

void QMessageBoard::mouseMoveEvent(QMouseEvent *event)
{
    drawMessages(event->pos().x());
    // Any movement makes the gesture a drag of the dialog, not a click.
    pressed = false;
    event->ignore();
}

void QMessageBoard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && pressed)
        emit clicked();
    event->ignore();
}

void QMessageBoard::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Its first click has opened the message's report; the second is no new one. Passed on as
    // a press is, so the dialog can still be dragged from here.
    pressed = false;
    event->ignore();
}

void QMessageBoard::enterEvent(QEvent *event)
{
    hovered = true;
    QWidget::enterEvent(event);
}

void QMessageBoard::leaveEvent(QEvent *event)
{
    hovered = false;
    QWidget::leaveEvent(event);
}

void QMessageBoard::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, image);
    QWidget::paintEvent(event);
}

void QMessageBoard::resizeEvent(QResizeEvent *event)
{
    if (image.size() != size()) {
        image = QPixmap(size());
        image.fill(Qt::black);
    }
    QWidget::resizeEvent(event);
}
