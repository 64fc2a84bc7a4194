#include "qdlgmessage.h"

QDlgMessage::QDlgMessage(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    setFixedSize(600, 24);
}

void QDlgMessage::addMessage(const QString &reportId, const QString &title,
                             const QString &institution, const QString &type,
                             const QDateTime &entryTime, const QDateTime &publishDate)
{
    Q_UNUSED(reportId)
    Q_UNUSED(title)
    Q_UNUSED(institution)
    Q_UNUSED(type)
    Q_UNUSED(entryTime)
    Q_UNUSED(publishDate)
}

void QDlgMessage::messageClicked() {}
