#include "qdlganalystselect.h"

#include "analystcache.h"
#include "dialogform.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

void fillAnalystList(QListWidget *list, const QStringList &uids)
{
    list->clear();
    for (const QString &uid : uids) {
        auto *item = new QListWidgetItem(QLatin1Char('[') + getAnalystInst(uid) + QLatin1Char(']') + getAnalystName(uid),
                                         list);
        item->setData(Qt::UserRole, uid);
    }
}

QDlgAnalystSelect::QDlgAnalystSelect(QWidget *parent)
    : QDialog(parent)
    , edtKeyword(new QLineEdit(this))
{
    setObjectName(QStringLiteral("QDlgAnalystSelect"));
    resize(400, 295);
    edtKeyword->setObjectName(QStringLiteral("edtKeyword"));
    edtKeyword->setGeometry(10, 10, 299, 27);
    auto *btnSearch = new QPushButton(QStringLiteral("搜索"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setGeometry(315, 10, 75, 27);
    btnSearch->setAutoDefault(false);
    lstAnalyst = new QListWidget(this);
    lstAnalyst->setObjectName(QStringLiteral("lstAnalyst"));
    lstAnalyst->setGeometry(10, 45, 380, 205);
    auto *btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(315, 258, 75, 27);
    btnCancel->setAutoDefault(false);
    auto *btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(229, 258, 75, 27);
    btnOk->setAutoDefault(false);
    initDialog(this, QStringLiteral("选择分析师"));

    connect(edtKeyword, &QLineEdit::returnPressed, this, &QDlgAnalystSelect::freshAnalystList);
    connect(btnSearch, &QPushButton::clicked, this, &QDlgAnalystSelect::freshAnalystList);
    lstAnalyst->setWrapping(true);
    connect(lstAnalyst, &QListWidget::doubleClicked, this, &QDlgAnalystSelect::accept);
    connect(btnOk, &QPushButton::clicked, this, &QDlgAnalystSelect::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDlgAnalystSelect::reject);
    freshAnalystList();
}

QString QDlgAnalystSelect::getSelectedAnalyst() const
{
    return selectedAnalyst;
}

void QDlgAnalystSelect::freshAnalystList()
{
    fillAnalystList(lstAnalyst, searchAnalystList(edtKeyword->text().trimmed()));
}

// OK with no row chosen keeps the picker open: an empty uid is never handed back.
void QDlgAnalystSelect::accept()
{
    const QString uid = currentKeyOrTell(this, lstAnalyst, QStringLiteral("请选择分析师"));
    if (uid.isEmpty())
        return;
    selectedAnalyst = uid;
    QDialog::accept();
}
