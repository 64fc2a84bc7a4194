#include "jsonrowwriter.h"

#include <cmath>
#include <cstdio>

JsonRowWriter::JsonRowWriter()
{
    m_out.reserve(1 << 16);
    m_out.append("{\"data\":[");
}

void JsonRowWriter::beginRow()
{
    if (m_rows > 0)
        m_out.append(",\n");
    m_out.append('{');
    m_firstField = true;
}

void JsonRowWriter::endRow()
{
    m_out.append('}');
    ++m_rows;
}

void JsonRowWriter::key(const char *name)
{
    if (!m_firstField)
        m_out.append(',');
    m_firstField = false;
    m_out.append('"').append(name).append("\":");
}

QByteArray JsonRowWriter::quoted(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out.append('"');
    for (const char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"') {
            out.append("\\\"");
        } else if (c == '\\') {
            out.append("\\\\");
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out.append(buf);
        } else {
            out.append(c);
        }
    }
    out.append('"');
    return out;
}

QByteArray JsonRowWriter::numberText(double value, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    QByteArray s(buf);
    if (s.contains('.')) {
        while (s.endsWith('0'))
            s.chop(1);
        if (s.endsWith('.'))
            s.chop(1);
    }
    if (s == "-0")
        s = "0";
    return s;
}

void JsonRowWriter::text(const char *name, const QString &value)
{
    key(name);
    m_out.append(quoted(value.toUtf8()));
}

void JsonRowWriter::text(const char *name, const QByteArray &utf8)
{
    key(name);
    m_out.append(quoted(utf8));
}

void JsonRowWriter::text(const char *name, const char *utf8)
{
    text(name, QByteArray(utf8));
}

void JsonRowWriter::integer(const char *name, qint64 value)
{
    key(name);
    m_out.append(QByteArray::number(value));
}

void JsonRowWriter::number(const char *name, double value, int decimals)
{
    key(name);
    if (!std::isfinite(value))
        m_out.append("null");
    else
        m_out.append(numberText(value, decimals));
}

void JsonRowWriter::null(const char *name)
{
    key(name);
    m_out.append("null");
}

QByteArray JsonRowWriter::finish()
{
    m_out.append("]}");
    return m_out;
}
