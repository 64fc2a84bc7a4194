#include "qcelllabel.h"

#include <QCoreApplication>

QCellLabel::QCellLabel(QWidget *parent)
    : QLabel(parent)
{
}

void QCellLabel::setPicture(const QString &path)
{
    if (!path.isEmpty())
        setPixmap(QPixmap(path));
    else if (!pixmap(Qt::ReturnByValue).isNull())
        clear();
}

void QCellLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    // An update asked for while a widget paints comes back as a posted UpdateLater; the text
    // the layout changed is the text just painted.
    QCoreApplication::removePostedEvents(this, QEvent::UpdateLater);
}
