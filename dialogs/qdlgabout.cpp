#include "qdlgabout.h"

QDlgAbout::QDlgAbout(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(360, 240);
}
