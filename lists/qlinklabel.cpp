#include "qlinklabel.h"

#include <QMouseEvent>

QLinkLabel::QLinkLabel(QWidget *parent)
    : QCellLabel(parent)
{
}

void QLinkLabel::setBold(const bool &bold)
{
    QFont f = font();
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    setFont(f);
}

void QLinkLabel::setClickable(const bool &clickable)
{
    if (m_clickable == clickable)
        return;
    m_clickable = clickable;
    if (underMouse()) {
        setUnderline(clickable);
        setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
}

void QLinkLabel::setRowFont(const QFont &font)
{
    QFont f = font;
    f.setUnderline(m_clickable && underMouse());
    setFont(f);
}

void QLinkLabel::setUnderline(const bool &underline)
{
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}

void QLinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    event->ignore();
}

void QLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // The press has already reached the table and made this row current. The ignored
    // release reaches the table after this handler, so clicked() comes before the
    // table's clicked(QModelIndex).
    if (event->button() == Qt::LeftButton && m_pressed && m_clickable)
        emit clicked();
    event->ignore();
}

void QLinkLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click of a double-click has followed the link: the second is no new click,
    // neither for the link nor for the table beneath, which would act on the row once more.
    if (event->button() != Qt::LeftButton || !m_clickable) {
        QCellLabel::mouseDoubleClickEvent(event);
        return;
    }
    m_pressed = false;
    event->accept();
}

void QLinkLabel::enterEvent(QEvent *event)
{
    if (m_clickable) {
        setUnderline(true);
        setCursor(Qt::PointingHandCursor);
    }
    event->ignore();
}

void QLinkLabel::leaveEvent(QEvent *event)
{
    if (m_clickable) {
        setUnderline(false);
        setCursor(Qt::ArrowCursor);
    }
    event->ignore();
}
