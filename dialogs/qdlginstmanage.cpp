#include "qdlginstmanage.h"

QDlgInstManage::QDlgInstManage(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("设置关注机构"));
    setFixedSize(360, 240);
}
