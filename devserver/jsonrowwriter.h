#pragma once

#include <QByteArray>
#include <QString>

// Writes the text of a package {"data":[{...},{...}]} row by row. Much faster than building
// QJsonObjects for hundreds of thousands of rows, and it gives exact control over which values
// are JSON numbers and which are strings, as the importers expect.
class JsonRowWriter
{
public:
    JsonRowWriter();

    void beginRow();
    void endRow();

    void text(const char *key, const QString &value);
    void text(const char *key, const QByteArray &utf8);
    void text(const char *key, const char *utf8);
    void integer(const char *key, qint64 value);
    // A number with at most `decimals` decimals, written in its shortest plain form (12.5, 12, -0.35).
    void number(const char *key, double value, int decimals);
    void null(const char *key);

    int rows() const { return m_rows; }
    QByteArray finish();

    static QByteArray quoted(const QByteArray &utf8);
    static QByteArray numberText(double value, int decimals);

private:
    void key(const char *name);

    QByteArray m_out;
    int m_rows = 0;
    bool m_firstField = true;
};
