#include "qcelllabel.h"

#include <QCoreApplication>

QCellLabel::QCellLabel(QWidget *parent)
    : QLabel(parent)
{
}

void QCellLabel::setPicture(const QString &path)
{
    const QPixmap shown = pixmap(Qt::ReturnByValue);
    // The picture of the file still shown (no other content came in between) stays: loading the
    // file again cost more than the rest of a row's fill.
    if (!path.isEmpty() && path == m_picturePath && shown.cacheKey() == m_pictureKey)
        return;
    m_picturePath = path;
    if (!path.isEmpty()) {
        setPixmap(QPixmap(path));
        m_pictureKey = pixmap(Qt::ReturnByValue).cacheKey();
    } else if (!shown.isNull()) {
        clear();
    }
}

void QCellLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    // An update asked for while a widget paints comes back as a posted UpdateLater; the text
    // the layout changed is the text just painted.
    QCoreApplication::removePostedEvents(this, QEvent::UpdateLater);
}
