#include "qdlgbulletin.h"
#include "ui_qdlgbulletin.h"

#include "globalstate.h"

QDlgBulletin::QDlgBulletin(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgBulletin)
{
    ui->setupUi(this);
    init();
}

QDlgBulletin::~QDlgBulletin()
{
    delete ui;
}

void QDlgBulletin::init()
{
    setWindowTitle(QStringLiteral("公告"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    const QFont font = getAppFont();
    ui->txtConent->setFont(font);
    ui->btnClose->setFont(font);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDlgBulletin::reject);
}

void QDlgBulletin::setContent(const QString &text)
{
    ui->txtConent->setText(text);
}
