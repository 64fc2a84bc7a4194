#include "pinyininitials.h"

#include <algorithm>
#include <utility>
#include <vector>

extern const char kPinyinInitialsTable[];

char pinyinInitial(QChar c)
{
    const char16_t u = c.unicode();
    if (u < kPinyinInitialsFirst || u > kPinyinInitialsLast)
        return 0;
    return kPinyinInitialsTable[u - kPinyinInitialsFirst];
}

QString pinyinInitialsKey(const QString &name)
{
    QString key = name;
    // In these institution words 长 reads cháng, not the table's zhǎng.
    key.replace(QStringLiteral("长城"), QStringLiteral("CC"));
    key.replace(QStringLiteral("长春"), QStringLiteral("CC"));
    key.replace(QStringLiteral("长江"), QStringLiteral("CJ"));
    for (QChar &c : key) {
        const char letter = pinyinInitial(c);
        if (letter)
            c = QChar(letter - 'a' + 'A');
    }
    return key;
}

QStringList sortByPinyinInitials(const QStringList &names)
{
    std::vector<std::pair<QString, QString>> entries;
    entries.reserve(names.size());
    // Walking the input backwards and sorting stably puts later names first among equal keys.
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        entries.emplace_back(pinyinInitialsKey(*it), *it);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto &entry : entries)
        sorted << entry.second;
    return sorted;
}
