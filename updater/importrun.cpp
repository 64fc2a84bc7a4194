#include "importrun.h"

#include "updaterlog.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlResult>

#include <sqlite3.h>

namespace {

// SQLite result codes that belong to the row being written: its values broke a constraint or do
// not fit the column. Every other code (busy, locked, full, I/O, corrupt ...) is the database's.
bool isRowError(int code)
{
    switch (code & 0xff) {
    case 1:    // SQLITE_ERROR
    case 18:   // SQLITE_TOOBIG
    case 19:   // SQLITE_CONSTRAINT
    case 20:   // SQLITE_MISMATCH
        return true;
    default:
        return false;
    }
}

sqlite3 *connectionHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

sqlite3_stmt *statementHandle(QSqlQuery *q)
{
    const QVariant handle = q->result() ? q->result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt *const *>(handle.constData());
}

// As Qt's SQLite driver binds a value: null as NULL, integers and booleans as integers, a text
// as its UTF-16 (kept alive by the caller for the step), anything else as its text.
int bindValue(sqlite3_stmt *statement, int index, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(statement, index);
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(statement, index, value.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(statement, index, value.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    case QMetaType::QString: {
        const QString *text = static_cast<const QString *>(value.constData());
        return sqlite3_bind_text16(statement, index, text->utf16(), int(text->size() * sizeof(QChar)), SQLITE_STATIC);
    }
    default: {
        const QString text = value.toString();
        return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(QChar)), SQLITE_TRANSIENT);
    }
    }
}

// A column as Qt's SQLite driver reads it.
QVariant columnValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
        return QVariant(QVariant::String);
    default:
        return QString(reinterpret_cast<const QChar *>(sqlite3_column_text16(statement, column)),
                       sqlite3_column_bytes16(statement, column) / int(sizeof(QChar)));
    }
}

} // namespace

ImportRun::ImportRun(QSqlDatabase db, const QString &name, ImportContext &context, ImportResult *result)
    : m_db(db)
    , m_name(name)
    , m_context(context)
    , m_result(result)
    , m_handle(connectionHandle(db))
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

bool ImportRun::step(QSqlQuery *q, const QVariant *values, int count, int columns, QVariantList *row)
{
    if (row)
        row->clear();
    m_changes = 0;
    if (m_failed || !q)
        return false;
    sqlite3_stmt *statement = statementHandle(q);
    if (!statement || !m_handle) {
        // Not SQLite: through Qt.
        for (int i = 0; i < count; ++i)
            q->bindValue(i, values[i]);
        if (!q->exec())
            return failedWith(q->lastError().nativeErrorCode().toInt(), q->lastError().text());
        m_changes = q->numRowsAffected();
        if (row && q->next()) {
            for (int i = 0; i < columns; ++i)
                row->append(q->value(i));
        }
        q->finish();
        return true;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (int i = 0; i < count; ++i) {
        const int bound = bindValue(statement, i + 1, values[i]);
        if (bound != SQLITE_OK)
            return failedWith(bound, QString::fromUtf8(sqlite3_errstr(bound)));
    }
    const int stepped = sqlite3_step(statement);
    if (stepped == SQLITE_ROW && row) {
        for (int i = 0; i < columns; ++i)
            row->append(columnValue(statement, i));
    }
    if (stepped == SQLITE_ROW || stepped == SQLITE_DONE) {
        // A select leaves the count of the last write as it was.
        m_changes = sqlite3_stmt_readonly(statement) ? 0 : sqlite3_changes(m_handle);
        sqlite3_reset(statement);
        return true;
    }
    const int code = sqlite3_extended_errcode(m_handle);
    const QString error = QString::fromUtf8(sqlite3_errmsg(m_handle));
    sqlite3_reset(statement);
    return failedWith(code, error);
}

bool ImportRun::failedWith(int code, const QString &error)
{
    if (isRowError(code)) {
        qCDebug(lcUpdater) << m_name << "row left out:" << error;
        return false;
    }
    fail(error);
    return false;
}

bool ImportRun::select(QSqlQuery *q, std::initializer_list<QVariant> values)
{
    if (m_failed || !q)
        return false;
    int position = 0;
    for (const QVariant &value : values)
        q->bindValue(position++, value);
    if (q->exec())
        return true;
    return failedWith(q->lastError().nativeErrorCode().toInt(), q->lastError().text());
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
