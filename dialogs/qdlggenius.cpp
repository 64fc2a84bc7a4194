#include "qdlggenius.h"

QDlgGenius::QDlgGenius(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("股票代码"));
    setFixedSize(360, 240);
}

void QDlgGenius::setKeyword(const QString &key)
{
    keyword = key.toUpper();
}

QString QDlgGenius::getSelectedStock() const
{
    return QString();
}
