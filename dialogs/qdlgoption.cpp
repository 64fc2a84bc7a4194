#include "qdlgoption.h"

QDlgOption::QDlgOption(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("首选项"));
    setFixedSize(360, 240);
}
