#include "qdlginstselect.h"

QDlgInstSelect::QDlgInstSelect(QWidget *parent, const QString &rang)
    : QDialog(parent)
    , rang(rang)
{
    setModal(true);
    setWindowTitle(QStringLiteral("选择机构"));
    setFixedSize(360, 240);
}

QString QDlgInstSelect::getSelectedInst() const
{
    return QString();
}
