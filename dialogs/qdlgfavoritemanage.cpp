#include "qdlgfavoritemanage.h"

QDlgFavoriteManage::QDlgFavoriteManage(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("设置收藏夹"));
    setFixedSize(360, 240);
}
