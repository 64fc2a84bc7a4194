#include "qdlgwebview.h"

QDlgWebview::QDlgWebview(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("《Lerova》"));
}

void QDlgWebview::load() {}
