#include "qdlgalert.h"

QDlgAlert::QDlgAlert(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("评级提醒"));
}

void QDlgAlert::addAlert(const QString &kind, const QString &reportId)
{
    Q_UNUSED(kind)
    Q_UNUSED(reportId)
}

void QDlgAlert::viewReport() {}
