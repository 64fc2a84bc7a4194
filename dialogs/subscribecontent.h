#pragma once

#include <QString>

// The condition of one report subscription and its text: {"ttl","ins","anl","cod"} (title,
// institution and analyst keywords, report category code), written without white space in that
// order. The user-list store holds the text percent-encoded (everything but A-Z a-z 0-9 - . _ ~).
struct SubscribeCondition
{
    QString title;
    QString inst;
    QString analyst;
    QString code;
};

// The values are written as they are: the keywords have passed isImproperKeyword and the code
// comes from the configuration, so none needs escaping.
QString buildSubscribeContent(const SubscribeCondition &condition);

// Reads a text through JSON.parse; missing members and a text that does not parse give empty
// values. Older conditions keep the institution under "ath": it stands in for an empty "ins".
SubscribeCondition parseSubscribeContent(const QString &json);

QString encodeSubscribeContent(const QString &json);
QString decodeSubscribeContent(const QString &stored);

// A keyword (trimmed by the caller) the condition cannot hold: one of the refused punctuation
// characters, or a control character, which a JSON string must not hold raw.
bool isImproperKeyword(const QString &text);
