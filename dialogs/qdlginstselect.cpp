#include "qdlginstselect.h"

#include "dbconnection.h"
#include "dialogform.h"
#include "dialogslog.h"
#include "globalstate.h"
#include "pinyininitials.h"

#include <QListWidget>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>

void fillInstList(QListWidget *list, const QStringList &names)
{
    list->clear();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(pinyinInitialsKey(name).left(1) + QLatin1Char(' ') + name, list);
        item->setData(Qt::UserRole, name);
    }
}

QDlgInstSelect::QDlgInstSelect(QWidget *parent, const QString &kind)
    : QDialog(parent)
    , kind(kind)
{
    setObjectName(QStringLiteral("QDlgInstSelect"));
    resize(461, 287);
    auto *btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(290, 250, 75, 27);
    auto *btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(376, 250, 75, 27);
    lstInst = new QListWidget(this);
    lstInst->setObjectName(QStringLiteral("lstInst"));
    lstInst->setGeometry(10, 10, 441, 230);
    initDialog(this, QStringLiteral("选择机构"));
    // Wrapped in columns that scroll sideways, so many names fit at once.
    lstInst->setWrapping(true);
    fillInstList(lstInst, sortByPinyinInitials(queryInstList()));
    connect(lstInst, &QListWidget::doubleClicked, this, &QDlgInstSelect::accept);
    connect(btnOk, &QPushButton::clicked, this, &QDlgInstSelect::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDlgInstSelect::reject);
}

QString QDlgInstSelect::getSelectedInst() const
{
    return selectedInst;
}

// Both kinds count back from the newest report entry, not from today; date() gives a bare day, so
// every row of the boundary day counts.
QStringList QDlgInstSelect::queryInstList() const
{
    const bool ratings = kind == QLatin1String("RAT");
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    query.prepare(ratings ? QStringLiteral("select distinct Ins_Name from T_Rating where Rpt_DtPublish > "
                                           "date((select max(Rpt_DtEntry) from T_Report), ?)")
                          : QStringLiteral("select distinct Ins_Name from T_Report where Rpt_DtEntry > "
                                           "date((select max(Rpt_DtEntry) from T_Report), ?)"));
    query.addBindValue(QStringLiteral("-%1 day").arg(getRatingDays()));
    QStringList names;
    if (!query.exec()) {
        qCWarning(lcDialogs) << "institution list failed:" << query.lastError().text();
        return names;
    }
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

// OK with no row chosen keeps the picker open: an empty name is never handed back.
void QDlgInstSelect::accept()
{
    const QString name = currentKeyOrTell(this, lstInst, QStringLiteral("请选择机构"));
    if (name.isEmpty())
        return;
    selectedInst = name;
    QDialog::accept();
}
