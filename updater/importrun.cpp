#include "importrun.h"

#include "updaterlog.h"

#include <QSqlError>

namespace {

// SQLite result codes that belong to the row being written: its values broke a constraint or do
// not fit the column. Every other code (busy, locked, full, I/O, corrupt ...) is the database's.
bool isRowError(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 1:    // SQLITE_ERROR
    case 18:   // SQLITE_TOOBIG
    case 19:   // SQLITE_CONSTRAINT
    case 20:   // SQLITE_MISMATCH
        return true;
    default:
        return false;
    }
}

} // namespace

ImportRun::ImportRun(QSqlDatabase db, const QString &name, ImportContext &context, ImportResult *result)
    : m_db(db)
    , m_name(name)
    , m_context(context)
    , m_result(result)
{
}

ImportRun::~ImportRun() = default;

QSqlQuery *ImportRun::prepare(const QString &sql)
{
    auto query = std::make_unique<QSqlQuery>(m_db);
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        fail(query->lastError().text());
        return nullptr;
    }
    m_queries.push_back(std::move(query));
    return m_queries.back().get();
}

bool ImportRun::exec(QSqlQuery *q, std::initializer_list<QVariant> values)
{
    if (m_failed || !q)
        return false;
    int position = 0;
    for (const QVariant &value : values)
        q->bindValue(position++, value);
    if (q->exec())
        return true;
    const QSqlError error = q->lastError();
    if (isRowError(error)) {
        qCDebug(lcUpdater) << m_name << "row left out:" << error.text();
        return false;
    }
    fail(error.text());
    return false;
}

bool ImportRun::fetch(QSqlQuery *q, std::initializer_list<QVariant> values, int columns, QVariantList *row)
{
    row->clear();
    if (!exec(q, values))
        return false;
    if (q->next()) {
        for (int i = 0; i < columns; ++i)
            row->append(q->value(i));
    }
    q->finish();
    return true;
}

void ImportRun::fail(const QString &error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_result->status = ImportResult::DatabaseFailed;
    m_result->error = error;
    qCWarning(lcUpdater) << m_name << "failed:" << error;
}

void ImportRun::queueMessage(const QString &id, const QString &title, const QString &institution, const QString &type,
                             const QDateTime &entryTime, const QDateTime &publishDate)
{
    m_messages.push_back({id, title, institution, type, entryTime, publishDate});
}

void ImportRun::queueAlert(const QString &kind, const QString &id)
{
    m_alerts.emplace_back(kind, id);
}

void ImportRun::queueBlockTip(const QString &stockCode)
{
    m_blockTips.push_back(stockCode);
}

void ImportRun::sendNotices()
{
    if (m_context.message) {
        for (const Message &m : m_messages)
            m_context.message(m.id, m.title, m.institution, m.type, m.entryTime, m.publishDate);
    }
    if (m_context.alert) {
        for (const auto &a : m_alerts)
            m_context.alert(a.first, a.second);
    }
    if (m_context.blockTip) {
        for (const QString &code : m_blockTips)
            m_context.blockTip(code);
    }
    m_messages.clear();
    m_alerts.clear();
    m_blockTips.clear();
}

bool ImportRun::isBlockedStock(const QString &code)
{
    if (!m_context.isBlockedStock)
        return false;
    const auto it = m_blocked.constFind(code);
    if (it != m_blocked.constEnd())
        return it.value();
    const bool blocked = m_context.isBlockedStock(code);
    m_blocked.insert(code, blocked);
    return blocked;
}

QVariant ImportRun::text(const QString &value)
{
    // A null QString binds as SQL NULL; the text statements always stored ''.
    return value.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(value);
}

void ImportRun::finishQueries()
{
    m_queries.clear();
}

void ImportRun::progress(const QString &word, double percent)
{
    if (m_context.status)
        m_context.status(word + m_name + QStringLiteral("...") + QString::number(percent, 'f', 2) + QLatin1Char('%'));
}

void ImportRun::count(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Inserted:
        ++m_result->inserted;
        break;
    case RowOutcome::Updated:
        ++m_result->updated;
        break;
    case RowOutcome::Unchanged:
        ++m_result->unchanged;
        break;
    case RowOutcome::Deleted:
        ++m_result->deleted;
        break;
    case RowOutcome::Skipped:
        ++m_result->skipped;
        break;
    }
}
