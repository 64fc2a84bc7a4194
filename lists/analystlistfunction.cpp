#include "analystlistfunction.h"

#include "listslog.h"

#include <QSqlDriver>
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

} // namespace

bool installAnalystListFunction(QSqlDatabase db)
{
    if (!db.isOpen() || !db.driver())
        return false;
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
    if (rc == SQLITE_OK || rc == SQLITE_BUSY)
        return true;
    qCWarning(lcLists) << "Cannot add the analyst list function:" << sqlite3_errstr(rc);
    return false;
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
