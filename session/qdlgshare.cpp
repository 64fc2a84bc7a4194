#include "qdlgshare.h"

QDlgShare::QDlgShare(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("分享报告"));
    setFixedSize(360, 200);
}

void QDlgShare::requestShareLink(const QString &rptID, const QString &inst, const QString &title,
                                 const QString &stkCode)
{
    Q_UNUSED(rptID)
    Q_UNUSED(inst)
    Q_UNUSED(title)
    Q_UNUSED(stkCode)
}
