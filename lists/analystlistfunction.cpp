#include "analystlistfunction.h"

#include "listslog.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <cstring>

const char kAnalystListFunction[] = "anl_any";

namespace {

// Every "[" starts a candidate; the id is what stands before the next "]". With ids of digits
// "[id]" occurs exactly when one such candidate equals an id.
void anlAny(sqlite3_context *context, int, sqlite3_value **argv)
{
    const auto *list = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const auto *ids = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    if (!list || !ids) {
        sqlite3_result_null(context);
        return;
    }
    for (const char *open = std::strchr(list, '['); open; open = std::strchr(open + 1, '[')) {
        const char *close = std::strchr(open + 1, ']');
        if (!close)
            break;
        const size_t length = size_t(close - open - 1);
        for (const char *id = ids; *id;) {
            const char *comma = std::strchr(id, ',');
            const size_t idLength = comma ? size_t(comma - id) : std::strlen(id);
            if (idLength == length && std::memcmp(id, open + 1, length) == 0) {
                sqlite3_result_int(context, 1);
                return;
            }
            if (!comma)
                break;
            id = comma + 1;
        }
    }
    sqlite3_result_int(context, 0);
}

// A single-row answer of the connection itself, through Qt's driver.
QVariant connectionValue(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next())
        return QVariant();
    return query.value(0);
}

} // namespace

bool installAnalystListFunction(QSqlDatabase db)
{
    if (!db.isOpen() || !db.driver())
        return false;
    // The function goes onto the handle of Qt's driver with this program's libsqlite3: only the
    // very same library may touch that handle.
    if (connectionValue(db, QStringLiteral("select sqlite_source_id()")).toString()
        != QLatin1String(sqlite3_sourceid())) {
        qCInfo(lcLists) << "Qt's SQLite driver uses another SQLite library; analyst lists use LIKE";
        return false;
    }
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.data());
    if (!connection)
        return false;
    const int rc = sqlite3_create_function_v2(connection, kAnalystListFunction, 2,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, anlAny, nullptr,
                                              nullptr, nullptr);
    // Busy: a statement that uses the function is still open, so it is there already.
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
        qCWarning(lcLists) << "Cannot add the analyst list function:" << sqlite3_errstr(rc);
        return false;
    }
    return analystListFunctionWorks(db);
}

bool analystListFunctionWorks(QSqlDatabase db)
{
    return connectionValue(db, QStringLiteral("select %1('a[12],b[7]', '3,7')").arg(QLatin1String(kAnalystListFunction)))
               .toInt()
           == 1;
}

bool analystIdFitsFunction(const QString &id)
{
    if (id.isEmpty())
        return false;
    for (const QChar c : id) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}
