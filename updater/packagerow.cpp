#include "packagerow.h"

#include <QJsonArray>

#include <charconv>
#include <cmath>

namespace {

// The script engine's ToNumber trims only these, not the Unicode blanks.
bool isAsciiBlank(QChar c)
{
    const ushort u = c.unicode();
    return u == ' ' || (u >= 9 && u <= 13);
}

QStringView trimmedAscii(QStringView text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && isAsciiBlank(text.at(begin)))
        ++begin;
    while (end > begin && isAsciiBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// [+-]digits
bool isIntegerLiteral(QStringView t)
{
    int i = 0;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        ++i;
    if (i == t.size())
        return false;
    for (; i < t.size(); ++i) {
        if (!isDigit(t.at(i)))
            return false;
    }
    return true;
}

// [+-](digits[.digits] | .digits)[(e|E)[+-]digits]: what both SQL and the script engine read
// as a decimal number.
bool isDecimalLiteral(QStringView t)
{
    int i = 0;
    const int n = t.size();
    if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && isDigit(t.at(i))) {
        ++i;
        ++digits;
    }
    if (i < n && t.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(t.at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            ++i;
        int expDigits = 0;
        while (i < n && isDigit(t.at(i))) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

int toInt32(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double two32 = 4294967296.0;
    double m = std::fmod(std::trunc(value), two32);
    if (m < 0)
        m += two32;
    if (m >= 2147483648.0)
        m -= two32;
    return int(m);
}

} // namespace

QString ecmaNumberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (value == 0)
        return QStringLiteral("0");
    if (value < 0)
        return QLatin1Char('-') + ecmaNumberText(-value);
    if (std::isinf(value))
        return QStringLiteral("Infinity");
    if (value < 9007199254740992.0 && value == std::trunc(value))
        return QString::number(qint64(value));

    // Shortest digits that read back as the same double, then ECMAScript's layout of them.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const QLatin1String scientific(buffer, int(result.ptr - buffer));
    const int e = scientific.indexOf(QLatin1Char('e'));
    QString digits;
    for (int i = 0; i < e; ++i) {
        if (scientific.at(i) != QLatin1Char('.'))
            digits += scientific.at(i);
    }
    const int k = digits.size();
    const int n = QString(scientific.mid(e + 1)).toInt() + 1;

    if (k <= n && n <= 21)
        return digits + QString(n - k, QLatin1Char('0'));
    if (0 < n && n <= 21)
        return digits.left(n) + QLatin1Char('.') + digits.mid(n);
    if (-6 < n && n <= 0)
        return QStringLiteral("0.") + QString(-n, QLatin1Char('0')) + digits;
    const int exponent = n - 1;
    const QString sign = exponent < 0 ? QStringLiteral("-") : QStringLiteral("+");
    const QString mantissa = k == 1 ? digits : digits.left(1) + QLatin1Char('.') + digits.mid(1);
    return mantissa + QLatin1Char('e') + sign + QString::number(std::abs(exponent));
}

double ecmaStringToNumber(const QString &text)
{
    const QStringView t = trimmedAscii(text);
    if (t.isEmpty())
        return 0;
    if (t.size() > 2 && t.at(0) == QLatin1Char('0') && (t.at(1) == QLatin1Char('x') || t.at(1) == QLatin1Char('X'))) {
        double value = 0;
        for (int i = 2; i < t.size(); ++i) {
            const int digit = hexDigit(t.at(i));
            if (digit < 0)
                return std::nan("");
            value = value * 16 + digit;
        }
        return value;
    }
    QStringView body = t;
    bool negative = false;
    if (body.at(0) == QLatin1Char('+') || body.at(0) == QLatin1Char('-')) {
        negative = body.at(0) == QLatin1Char('-');
        body = body.mid(1);
    }
    if (body == QLatin1String("Infinity"))
        return negative ? -INFINITY : INFINITY;
    if (!isDecimalLiteral(t))
        return std::nan("");
    bool ok = false;
    const double value = t.toString().toDouble(&ok);
    // toDouble refuses what overflows; the script engine gives Infinity.
    if (!ok)
        return negative ? -INFINITY : INFINITY;
    return value;
}

QString ecmaText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return ecmaNumberText(value.toDouble());
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array: {
        QString out;
        const QJsonArray array = value.toArray();
        for (int i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            const QJsonValue item = array.at(i);
            if (!item.isNull() && !item.isUndefined())
                out += ecmaText(item);
        }
        return out;
    }
    case QJsonValue::Object:
        return QStringLiteral("[object Object]");
    case QJsonValue::Undefined:
        break;
    }
    return QString();
}

int ecmaInt32(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return toInt32(value.toDouble());
    case QJsonValue::Bool:
        return value.toBool() ? 1 : 0;
    case QJsonValue::String:
        return toInt32(ecmaStringToNumber(value.toString()));
    case QJsonValue::Array:
        return toInt32(ecmaStringToNumber(ecmaText(value)));
    case QJsonValue::Null:
    case QJsonValue::Object:
    case QJsonValue::Undefined:
        break;
    }
    return 0;
}

BareValue bareValue(const QString &text)
{
    BareValue out;
    const QStringView t = trimmedAscii(text);
    if (t.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0) {
        out.valid = true;
        return out;
    }
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        out.valid = true;
        out.value = qlonglong(t.size() == 4 ? 1 : 0);
        return out;
    }
    if (isIntegerLiteral(t)) {
        bool ok = false;
        const qlonglong number = t.toString().toLongLong(&ok);
        out.valid = true;
        out.value = ok ? QVariant(number) : QVariant(t.toString());
        return out;
    }
    if (isDecimalLiteral(t)) {
        out.valid = true;
        out.value = t.toString();
    }
    return out;
}

BareValue bareKey(const QString &text)
{
    BareValue out = bareValue(text);
    if (out.valid && out.value.isNull())
        out.valid = false;
    return out;
}

PackageRow::PackageRow(const QJsonValue &row)
    : m_object(row.toObject())
{
}

QString PackageRow::text(QLatin1String key) const
{
    return ecmaText(m_object.value(key));
}

int PackageRow::integer(QLatin1String key) const
{
    return ecmaInt32(m_object.value(key));
}
