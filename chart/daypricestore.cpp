#include "daypricestore.h"

#include "chartlog.h"
#include "databaseschema.h"
#include "globalstate.h"
#include "storedtime.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// A number as the package may give it: a JSON number, or a text holding one; null stays NULL.
bool readNumber(const QJsonValue &value, QVariant *out)
{
    if (value.isNull()) {
        *out = QVariant(QVariant::Double);
        return true;
    }
    if (value.isDouble()) {
        *out = value.toDouble();
        return true;
    }
    bool ok = false;
    const double number = value.toString().toDouble(&ok);
    if (ok)
        *out = number;
    return ok;
}

// Modify times are the service's clock and compare as written, at whole seconds: as moments of
// the user's zone, those of an hour it skips would come after the hour that follows.
QDateTime asWritten(const QDateTime &time)
{
    const QTime t = time.time();
    return QDateTime(time.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

// Fixed-width digits at the given positions; QDate::fromString and QDateTime::fromString cost
// microseconds each, which adds up over a 20-year file.
bool digitsAt(const QString &text, std::initializer_list<int> positions)
{
    for (int i : positions) {
        if (!text.at(i).isDigit() || text.at(i).unicode() > '9')
            return false;
    }
    return true;
}

int number(const QString &text, int from, int length)
{
    int value = 0;
    for (int i = from; i < from + length; ++i)
        value = value * 10 + (text.at(i).unicode() - '0');
    return value;
}

// "yyyy-MM-dd"; invalid for anything else.
QDate parseDay(const QString &text)
{
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-')
        || !digitsAt(text, {0, 1, 2, 3, 5, 6, 8, 9}))
        return QDate();
    return QDate(number(text, 0, 4), number(text, 5, 2), number(text, 8, 2));
}

// "yyyy-MM-dd HH:mm:ss" naming a real moment. Such texts order as their times do, so the import
// compares them as text.
bool isModifyTime(const QString &text)
{
    return text.size() == 19 && text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':')
           && text.at(16) == QLatin1Char(':') && digitsAt(text, {11, 12, 14, 15, 17, 18})
           && parseDay(text.left(10)).isValid()
           && QTime::isValid(number(text, 11, 2), number(text, 14, 2), number(text, 17, 2));
}

struct DayRow
{
    QString date;
    QString modified;
    QVariant values[6]; // open, high, low, close, change, factor
};

bool readRow(const QJsonValue &value, DayRow *row)
{
    const QJsonObject o = value.toObject();
    row->date = o.value(QLatin1String("dt")).toString();
    row->modified = o.value(QLatin1String("tM")).toString();
    if (!parseDay(row->date).isValid() || !isModifyTime(row->modified))
        return false;
    static const char *const keys[6] = {"pO", "pH", "pL", "pC", "ch", "fc"};
    for (int i = 0; i < 6; ++i) {
        if (!readNumber(o.value(QLatin1String(keys[i])), &row->values[i]))
            return false;
    }
    return true;
}

} // namespace

bool isPlainStockCode(const QString &code)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
    return plain.match(code).hasMatch();
}

QString dayPriceFilePath(const QString &code)
{
    if (!isPlainStockCode(code))
        return QString();
    return getDataDir() + QDir::separator() + getLocalDayDir() + QDir::separator() + code;
}

bool isSoundPriceFile(QSqlDatabase db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("PRAGMA quick_check")) && query.next()
           && query.value(0).toString() == QLatin1String("ok");
}

bool setAsideDayPriceFile(const QString &path)
{
    // The WAL goes along: left behind, it would be played into the new file.
    for (const QLatin1String suffix : {QLatin1String(""), QLatin1String("-wal"), QLatin1String("-shm")}) {
        const QString from = path + suffix;
        const QString to = path + QStringLiteral(".damaged") + suffix;
        QFile::remove(to);
        if (QFile::exists(from) && !QFile::rename(from, to) && !QFile::remove(from))
            return false;
    }
    return true;
}

bool ensurePriceTable(QSqlDatabase db)
{
    return createDatabaseSchema(db, QStringLiteral(":/day.ini"));
}

bool parseDayPackage(const QString &packageText, QJsonArray *rows)
{
    const QJsonValue data = QJsonDocument::fromJson(packageText.toUtf8()).object().value(QLatin1String("data"));
    if (!data.isArray())
        return false;
    *rows = data.toArray();
    return true;
}

DayImportResult importDayPrices(QSqlDatabase db, const QString &packageText)
{
    QJsonArray rows;
    if (!parseDayPackage(packageText, &rows)) {
        DayImportResult result;
        result.badPackage = true;
        result.error = packageText.isEmpty() ? QStringLiteral("empty package") : QStringLiteral("no data rows");
        return result;
    }
    return importDayPrices(db, rows);
}

DayImportResult importDayPrices(QSqlDatabase db, const QJsonArray &rows,
                                const std::function<void(int, int)> &progress)
{
    DayImportResult result;
    if (!ensurePriceTable(db)) {
        result.error = QStringLiteral("cannot create T_Price: ") + db.lastError().text();
        return result;
    }
    result.rows = rows.size();

    QSqlQuery find(db), insert(db), update(db);
    find.setForwardOnly(true);
    const bool prepared =
        find.prepare(QStringLiteral("select Prc_DtModify from T_Price where Prc_Date = ?"))
        && insert.prepare(QStringLiteral(
            "insert into T_Price (Prc_Date, Prc_Open, Prc_High, Prc_Low, Prc_Close, Prc_Change, "
            "Prc_Factor, Prc_Vol, Prc_Amount, Prc_DtModify) values (?, ?, ?, ?, ?, ?, ?, 0, 0, ?)"))
        && update.prepare(QStringLiteral(
            "update T_Price set Prc_Open = ?, Prc_High = ?, Prc_Low = ?, Prc_Close = ?, "
            "Prc_Change = ?, Prc_Factor = ?, Prc_DtModify = ? where Prc_Date = ?"));
    if (!prepared || !db.transaction()) {
        result.error = QStringLiteral("cannot write: ") + db.lastError().text();
        return result;
    }

    DayRow row;
    for (int i = 0; i < rows.size(); ++i) {
        if (progress)
            progress(i, rows.size());
        if (!readRow(rows.at(i), &row)) {
            ++result.skipped;
            continue;
        }
        find.addBindValue(row.date);
        if (!find.exec()) {
            ++result.skipped;
            continue;
        }
        const bool stored = find.next();
        const QString storedTime = stored ? find.value(0).toString() : QString();
        find.finish();
        if (!stored) {
            insert.addBindValue(row.date);
            for (const QVariant &v : row.values)
                insert.addBindValue(v);
            insert.addBindValue(row.modified);
            insert.exec() ? ++result.inserted : ++result.skipped;
            continue;
        }
        // A stored time that does not parse is older than any valid one.
        if (isModifyTime(storedTime) && storedTime >= row.modified)
            continue;
        for (const QVariant &v : row.values)
            update.addBindValue(v);
        update.addBindValue(row.modified);
        update.addBindValue(row.date);
        update.exec() ? ++result.updated : ++result.skipped;
    }
    if (!db.commit()) {
        result.error = QStringLiteral("commit failed: ") + db.lastError().text();
        db.rollback();
        return result;
    }
    if (result.skipped > 0)
        qCWarning(lcChart) << db.databaseName() << "skipped" << result.skipped << "malformed day rows";
    result.ok = true;
    return result;
}

DayPriceStatus readDayPriceStatus(QSqlDatabase db)
{
    DayPriceStatus status;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select count(1), max(Prc_DtModify) from T_Price")) || !query.next())
        return status;
    status.ok = true;
    status.count = query.value(0).toInt();
    status.newest = readStoredDateTime(query.value(1).toString());
    return status;
}

QList<QPriceRecord> readDayPrices(QSqlDatabase db, bool *ok)
{
    QList<QPriceRecord> prices;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (ok)
        *ok = false;
    if (!query.exec(QStringLiteral("select prc_date, prc_open, prc_high, prc_low, prc_close, prc_change, "
                                   "prc_factor from T_Price order by prc_date")))
        return prices;
    while (query.next()) {
        const QDate date = parseDay(query.value(0).toString());
        if (!date.isValid())
            continue;
        prices.append(QPriceRecord(date,
                                   query.value(1).toDouble(), query.value(2).toDouble(),
                                   query.value(3).toDouble(), query.value(4).toDouble(),
                                   query.value(5).toDouble(), query.value(6).toDouble()));
    }
    // A damaged page ends the rows early with an error, not with the table's end.
    if (ok)
        *ok = !query.lastError().isValid();
    return prices;
}

bool isDayPriceStale(const DayPriceStatus &status, int cacheCount, const QDateTime &cacheTime)
{
    if (!status.ok)
        return true;
    if (cacheCount > status.count)
        return true;
    if (!status.newest.isValid())
        return cacheTime.isValid();
    return cacheTime.isValid() && asWritten(status.newest) < asWritten(cacheTime);
}
