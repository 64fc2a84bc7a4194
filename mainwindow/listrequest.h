#pragma once

// List requests: the JSON texts {"id", "name", "args", ...} that select a list, made from
// the [Orders] templates of the configuration by filling their placeholders.

#include <QHash>
#include <QString>

// The text of value as it must stand between the quotes of a JSON string: '"', '\' and
// control characters escaped, everything else unchanged.
QString escapeJsonString(const QString &value);

// The template with every occurrence of each placeholder of values ("%inst%" -> value)
// replaced by the escaped value, in one pass, so a value is never searched for further
// placeholders. Every placeholder of the templates stands inside a JSON string; placeholders
// that values lacks stay as they are.
QString fillListRequest(const QString &templateText, const QHash<QString, QString> &values);

// The request's "id" as text, read through JSON.parse; empty when the text is not a JSON
// object or has no "id".
QString listRequestId(const QString &request);

// The request's "name" as text, read the same way.
QString listRequestName(const QString &request);
