#include "qdlgbulletin.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

QDlgBulletin::QDlgBulletin(QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("公告"));
    edtContent = new QPlainTextEdit(this);
    edtContent->setReadOnly(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(edtContent);
    setFixedSize(400, 300);
}

void QDlgBulletin::setContent(const QString &text)
{
    edtContent->setPlainText(text);
}
