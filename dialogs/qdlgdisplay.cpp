#include "qdlgdisplay.h"

QDlgDisplay::QDlgDisplay(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("显示设置"));
    setFixedSize(360, 240);
}
