#include "qlinklabel.h"

#include <QApplication>
#include <QMouseEvent>

QPointer<QLinkLabel> QLinkLabel::s_hovered;

QLinkLabel::QLinkLabel(QWidget *parent)
    : QCellLabel(parent)
{
}

QLinkLabel::~QLinkLabel()
{
    // s_hovered lets go only in ~QObject, after ~QWidget has sent an Enter to the widget
    // beneath the mouse: a link there would make this one, half destroyed, drop its hover look.
    if (s_hovered == this)
        s_hovered = nullptr;
}

void QLinkLabel::setCell(const QString &text, const QFont &font, bool clickable, const QString &toolTip)
{
    m_clickable = clickable;
    setRowFont(font);
    if (m_handShown != (m_clickable && m_hovered))
        showHover();
    if (this->toolTip() != toolTip)
        setToolTip(toolTip);
    setText(text);
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
    if (m_hovered)
        showHover();
}

void QLinkLabel::setRowFont(const QFont &font)
{
    QFont f = font;
    f.setUnderline(m_clickable && m_hovered);
    setFont(f);
}

void QLinkLabel::settleHover()
{
    if (s_hovered && QApplication::widgetAt(QCursor::pos()) != s_hovered)
        s_hovered->setHovered(false);
}

void QLinkLabel::setHovered(bool hovered)
{
    // A link entered after a menu closed may find another one still looking hovered, which never
    // heard the pointer leave.
    if (hovered && s_hovered && s_hovered != this)
        s_hovered->setHovered(false);
    if (hovered)
        s_hovered = this;
    else if (s_hovered == this)
        s_hovered = nullptr;
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    showHover();
}

void QLinkLabel::showHover()
{
    const bool link = m_clickable && m_hovered;
    if (font().underline() != link) {
        QFont f = font();
        f.setUnderline(link);
        setFont(f);
    }
    if (m_handShown != link) {
        m_handShown = link;
        setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
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
    setHovered(true);
    event->ignore();
}

void QLinkLabel::leaveEvent(QEvent *event)
{
    setHovered(false);
    event->ignore();
}
