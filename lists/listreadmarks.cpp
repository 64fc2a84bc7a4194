#include "listreadmarks.h"

#include "dbconnection.h"
#include "listslog.h"
#include "qlinklabel.h"

#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>

namespace {

bool runFor(QSqlQuery &query, const QString &reportId)
{
    bool ok = false;
    const qlonglong id = reportId.toLongLong(&ok);
    query.addBindValue(ok ? QVariant(id) : QVariant(reportId));
    if (query.exec())
        return true;
    qCWarning(lcLists) << "Marking report" << reportId << "read failed:" << query.lastError().text();
    return false;
}

// Runs statement once per id; inTransaction: all or nothing.
bool storeReadFlags(QSqlDatabase db, const QString &statement, const QStringList &ids, bool inTransaction)
{
    if (inTransaction && !db.transaction()) {
        qCWarning(lcLists) << "Marking a page read: no transaction:" << db.lastError().text();
        return false;
    }
    bool ok = true;
    {
        QSqlQuery query(db);
        ok = query.prepare(statement);
        if (!ok)
            qCWarning(lcLists) << "Marking read: cannot prepare:" << query.lastError().text();
        for (int i = 0; ok && i < ids.size(); ++i)
            ok = runFor(query, ids.at(i));
    }
    if (!inTransaction)
        return ok;
    if (ok) {
        ok = db.commit();
        if (!ok)
            qCWarning(lcLists) << "Marking a page read: commit failed:" << db.lastError().text();
    }
    if (!ok)
        db.rollback();
    return ok;
}

} // namespace

ListReadMarks::ListReadMarks(QTableWidget *table, const QString &statement, const QList<int> &labelColumns)
    : m_table(table)
    , m_statement(statement)
    , m_labelColumns(labelColumns)
{
}

bool ListReadMarks::isUnread(int row) const
{
    const QTableWidgetItem *item = m_table->item(row, 0);
    return item && item->font().weight() > QFont::Normal;
}

QString ListReadMarks::reportId(int row) const
{
    const QTableWidgetItem *item = m_table->item(row, 0);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void ListReadMarks::showRead(int row)
{
    for (int c = 0; c < m_table->columnCount(); ++c) {
        if (QTableWidgetItem *item = m_table->item(row, c)) {
            QFont f = item->font();
            f.setWeight(QFont::Normal);
            item->setFont(f);
        }
    }
    for (int c : m_labelColumns) {
        if (auto *label = qobject_cast<QLinkLabel *>(m_table->cellWidget(row, c)))
            label->setBold(false);
    }
}

bool ListReadMarks::markRow(int row)
{
    if (row < 0 || !isUnread(row))
        return true;
    if (!storeReadFlags(mainDatabase(), m_statement, {reportId(row)}, false))
        return false; // the row stays bold: it is still unread in the database
    showRead(row);
    return true;
}

bool ListReadMarks::markPage(QWidget *parent)
{
    QList<int> unread;
    QStringList ids;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        if (isUnread(r)) {
            unread << r;
            ids << reportId(r);
        }
    }
    if (!storeReadFlags(mainDatabase(), m_statement, ids, true)) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("设置已读失败，请稍后再试。"),
                              QMessageBox::Ok);
        return false;
    }
    for (int r : unread)
        showRead(r);
    return true;
}
