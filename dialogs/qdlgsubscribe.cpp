#include "qdlgsubscribe.h"
#include "ui_qdlgsubscribe.h"

#include "dialogform.h"
#include "globalstate.h"
#include "subscribecontent.h"

#include <QListView>

QDlgSubscribe::QDlgSubscribe(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgSubscribe)
{
    ui->setupUi(this);
    initDialog(this, QStringLiteral("报告订阅"));
    ui->cboCode->setView(new QListView(ui->cboCode));
    ui->cboCode->addItem(QStringLiteral("<不限>"), QString());
    for (const QString &code : getReportCodeList())
        ui->cboCode->addItem(getReportCodeName(code), code);
    ui->cboCode->setCurrentIndex(0);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDlgSubscribe::subscribeReport);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDlgSubscribe::reject);
}

QDlgSubscribe::~QDlgSubscribe()
{
    delete ui;
}

void QDlgSubscribe::setContent(const QString &json)
{
    const SubscribeCondition condition = parseSubscribeContent(json);
    ui->edtTitleKeyword->setText(condition.title);
    ui->edtInstKeyword->setText(condition.inst);
    ui->edtAnalsKeyword->setText(condition.analyst);
    // A code no longer among the categories leaves no item current.
    ui->cboCode->setCurrentIndex(ui->cboCode->findData(condition.code, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

QString QDlgSubscribe::getContent() const
{
    return content;
}

bool QDlgSubscribe::refuseKeyword(QLineEdit *edit, const QString &message)
{
    if (!isImproperKeyword(edit->text().trimmed()))
        return false;
    showBox(this, QMessageBox::Information, QStringLiteral("注意"), message);
    edit->setFocus();
    return true;
}

void QDlgSubscribe::subscribeReport()
{
    if (refuseKeyword(ui->edtTitleKeyword, QStringLiteral("关键词包含不恰当的字符！"))
        || refuseKeyword(ui->edtInstKeyword, QStringLiteral("研究机构包含不恰当的字符！"))
        || refuseKeyword(ui->edtAnalsKeyword, QStringLiteral("分析师包含不恰当的字符！")))
        return;
    const SubscribeCondition condition{ui->edtTitleKeyword->text().trimmed(), ui->edtInstKeyword->text().trimmed(),
                                       ui->edtAnalsKeyword->text().trimmed(),
                                       ui->cboCode->currentData(Qt::UserRole).toString()};
    if (condition.title.isEmpty() && condition.inst.isEmpty() && condition.analyst.isEmpty()) {
        showBox(this, QMessageBox::Information, QStringLiteral("注意"), QStringLiteral("请填写关键词！"));
        ui->edtTitleKeyword->setFocus();
        return;
    }
    content = buildSubscribeContent(condition);
    accept();
}
