#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Pinyin initials of the CJK ideographs U+4E00..U+9FA5, used to order institution names.
constexpr char16_t kPinyinInitialsFirst = 0x4E00;
constexpr char16_t kPinyinInitialsLast = 0x9FA5;
constexpr int kPinyinInitialsCount = kPinyinInitialsLast - kPinyinInitialsFirst + 1;

// The lower-case initial of c's pinyin reading, or 0 when c lies outside U+4E00..U+9FA5.
char pinyinInitial(QChar c);

// The sort key of a name: "长城" and "长春" become "CC" and "长江" "CJ", then every ideograph
// becomes its upper-case initial; any other character stays as it is. The first character of the
// key is the prefix the institution dialogs show.
QString pinyinInitialsKey(const QString &name);

// The names ordered by key (compared as UTF-16 code units); names with equal keys come out in the
// reverse of their input order.
QStringList sortByPinyinInitials(const QStringList &names);
