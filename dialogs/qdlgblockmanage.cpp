#include "qdlgblockmanage.h"

QDlgBlockManage::QDlgBlockManage(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("设置板块"));
    setFixedSize(360, 240);
}
