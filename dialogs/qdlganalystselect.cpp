#include "qdlganalystselect.h"

QDlgAnalystSelect::QDlgAnalystSelect(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("选择分析师"));
    setFixedSize(360, 240);
}

QString QDlgAnalystSelect::getSelectedAnalyst() const
{
    return QString();
}
