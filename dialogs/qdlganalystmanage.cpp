#include "qdlganalystmanage.h"

QDlgAnalystManage::QDlgAnalystManage(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("设置关注分析师"));
    setFixedSize(360, 240);
}
