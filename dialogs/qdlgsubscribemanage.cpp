#include "qdlgsubscribemanage.h"

QDlgSubscribeManage::QDlgSubscribeManage(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("设置订阅"));
    setFixedSize(360, 240);
}
