#pragma once

// The common part of every importer: the statements of one package, prepared once and run with
// bound values; the row loop with its progress texts; the tally of what the rows did; and the
// notices (messages, alerts, block tips) held back until the package has been committed.

#include "packageimport.h"
#include "packagerow.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

#include <initializer_list>
#include <memory>
#include <vector>

enum class RowOutcome { Inserted, Updated, Unchanged, Deleted, Skipped };

struct sqlite3;

class ImportRun
{
public:
    ImportRun(QSqlDatabase db, const QString &name, ImportContext &context, ImportResult *result);
    ~ImportRun();
    ImportRun(const ImportRun &) = delete;
    ImportRun &operator=(const ImportRun &) = delete;

    const QString &name() const { return m_name; }
    ImportContext &context() { return m_context; }

    // A statement of this package; null (and the run failed) when it cannot be prepared.
    QSqlQuery *prepare(const char *sql) { return prepare(QLatin1String(sql)); }
    QSqlQuery *prepare(const QString &sql);

    // Runs q with these values in order, bound as Qt binds them but stepped through SQLite itself
    // (the statement of a row costs no more than its SQL). False when it failed: a failure of the
    // row's own values (a constraint, a type) only loses the row; any other (busy, disk full, I/O)
    // fails the run. changes() tells what it changed.
    bool exec(QSqlQuery *q, std::initializer_list<QVariant> values) { return step(q, values.begin(), int(values.size()), 0, nullptr); }
    bool exec(QSqlQuery *q, const QVector<QVariant> &values) { return step(q, values.constData(), values.size(), 0, nullptr); }
    // exec, then the first columns of the first result row into *row (empty when there is none).
    bool fetch(QSqlQuery *q, std::initializer_list<QVariant> values, int columns, QVariantList *row)
    {
        return step(q, values.begin(), int(values.size()), columns, row);
    }
    bool fetch(QSqlQuery *q, const QVector<QVariant> &values, int columns, QVariantList *row)
    {
        return step(q, values.constData(), values.size(), columns, row);
    }
    // The rows the last exec or fetch changed.
    int changes() const { return m_changes; }
    // Runs q through Qt, for reading all its rows with next() and value(); failures as exec.
    bool select(QSqlQuery *q, std::initializer_list<QVariant> values);

    bool failed() const { return m_failed; }
    void fail(const QString &error);

    // Calls rowFn for every row, with a progress text for 0, about every 40th of the rows and 100,
    // each "<word><name>...<p>%". Stops when the run failed.
    template <typename RowFn>
    void forEachRow(const QString &word, const QJsonArray &rows, RowFn rowFn);

    // Notices sent once the package is committed.
    void queueMessage(const QString &id, const QString &title, const QString &institution, const QString &type,
                      const QDateTime &entryTime, const QDateTime &publishDate);
    void queueAlert(const QString &kind, const QString &id);
    void queueBlockTip(const QString &stockCode);
    void sendNotices();

    // isBlockedStock of the context, asked once per code and package.
    bool isBlockedStock(const QString &code);

    // Bound forms of a value: a text (never SQL NULL, as '' never was) and an integer.
    static QVariant text(const QString &value);
    static QVariant integer(int value) { return QVariant(value); }

    void finishQueries();

private:
    bool step(QSqlQuery *q, const QVariant *values, int count, int columns, QVariantList *row);
    bool failedWith(int code, const QString &error);
    void progress(const QString &word, double percent);
    void count(RowOutcome outcome);

    QSqlDatabase m_db;
    QString m_name;
    ImportContext &m_context;
    ImportResult *m_result;
    sqlite3 *m_handle;   // null when db is not SQLite
    int m_changes = 0;
    bool m_failed = false;
    std::vector<std::unique_ptr<QSqlQuery>> m_queries;

    struct Message
    {
        QString id, title, institution, type;
        QDateTime entryTime, publishDate;
    };
    std::vector<Message> m_messages;
    std::vector<std::pair<QString, QString>> m_alerts;
    std::vector<QString> m_blockTips;
    QHash<QString, bool> m_blocked;
};

template <typename RowFn>
void ImportRun::forEachRow(const QString &word, const QJsonArray &rows, RowFn rowFn)
{
    const int n = rows.size();
    const int step = qMax(1, n / 40);
    progress(word, 0);
    for (int i = 1; i <= n && !m_failed; ++i) {
        if (i % step == 0)
            progress(word, double(i) / double(n) * 100.0);
        const RowOutcome outcome = rowFn(PackageRow(rows.at(i - 1)));
        if (!m_failed)
            count(outcome);
    }
    progress(word, 100);
}

// The importers of the package kinds; each runs inside the transaction of importPackageRows.
void importReportRows(ImportRun &run, const QJsonArray &rows);
void deleteReportRows(ImportRun &run, const QJsonArray &rows);
void importRatingRows(ImportRun &run, const QJsonArray &rows);
void importEstimateRows(ImportRun &run, const QJsonArray &rows);
void deleteEstimateRows(ImportRun &run, const QJsonArray &rows);
void importFinanceRows(ImportRun &run, const QJsonArray &rows);
void importConsensusRows(ImportRun &run, const QJsonArray &rows);
void importMatrixRows(ImportRun &run, const QJsonArray &rows);
void importAceRows(ImportRun &run, const QJsonArray &rows);
void importStockRows(ImportRun &run, const QJsonArray &rows);
void importRecommendRows(ImportRun &run, const QJsonArray &rows);
void importAnalystRows(ImportRun &run, const QJsonArray &rows);
void deleteAnalystRows(ImportRun &run, const QJsonArray &rows);
