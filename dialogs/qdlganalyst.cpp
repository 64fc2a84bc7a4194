#include "qdlganalyst.h"

QDlgAnalyst::QDlgAnalyst(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("新财富分析师"));
}
