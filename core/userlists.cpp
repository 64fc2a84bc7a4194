#include "userlists.h"
#include "userlists_p.h"

#include "globalstate.h"
#include "pinyininitials.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>
#include <QUrl>

namespace {

const QChar kComma = QLatin1Char(',');

QStringList splitItems(const QString &text)
{
    return text.split(kComma, Qt::SkipEmptyParts);
}

class Stamp
{
public:
    qint64 value() const { return m_value; }

    // A new stamp is always later than every stamp handed out before, even within one millisecond
    // or after the clock was set back: an upload that began with an older stamp then cannot clear
    // a change made after it began.
    void touch()
    {
        m_value = qMax(QDateTime::currentMSecsSinceEpoch(), m_issued + 1);
        m_issued = m_value;
    }

    void clear(qint64 mdf)
    {
        if (mdf >= m_value)
            m_value = 0;
    }

private:
    qint64 m_value = 0;
    qint64 m_issued = 0;
};

struct SimpleList
{
    QStringList items;
    Stamp stamp;
};

// Parallel names and values; an index into one is valid in the other.
struct NamedList
{
    QStringList names;
    QStringList values;
    Stamp stamp;

    int find(const QString &name) const { return names.indexOf(name); }

    void append(const QString &name, const QString &value)
    {
        names << name;
        values << value;
    }

    bool rename(const QString &oldName, const QString &newName)
    {
        const int i = find(oldName);
        if (i < 0)
            return false;
        names[i] = newName;
        stamp.touch();
        return true;
    }

    bool remove(const QString &name)
    {
        const int i = find(name);
        if (i < 0)
            return false;
        names.removeAt(i);
        values.removeAt(i);
        stamp.touch();
        return true;
    }

    // An unknown name gets item as its whole value; a known one gets item as one more part.
    bool addItem(const QString &name, const QString &item, bool stampIt)
    {
        const int i = find(name);
        if (i < 0) {
            append(name, item);
        } else {
            QStringList parts = splitItems(values.at(i));
            if (item.isEmpty() || parts.contains(item))
                return false;
            parts << item;
            values[i] = parts.join(kComma);
        }
        if (stampIt)
            stamp.touch();
        return true;
    }

    bool removeItem(const QString &name, const QString &item, bool stampIt)
    {
        const int i = find(name);
        if (i < 0)
            return false;
        QStringList parts = splitItems(values.at(i));
        const int j = parts.indexOf(item);
        if (j < 0)
            return false;
        parts.removeAt(j);
        values[i] = parts.join(kComma);
        if (stampIt)
            stamp.touch();
        return true;
    }

    bool holds(const QString &name, const QString &item) const
    {
        const int i = find(name);
        return i >= 0 && splitItems(values.at(i)).contains(item);
    }

    bool anyHolds(const QString &item) const
    {
        for (const QString &value : values) {
            if (splitItems(value).contains(item))
                return true;
        }
        return false;
    }
};

struct Store
{
    QMutex lock;
    SimpleList concernedInsts;
    SimpleList concernedAnalysts;
    SimpleList portfolio;
    QStringList maskedInsts;
    NamedList blocks;
    NamedList favorites;
    NamedList subscribes;
};

Store &store()
{
    static Store s;
    return s;
}

// Runs f on the store under its lock and returns what f returns.
template<typename F>
auto locked(F f)
{
    Store &s = store();
    QMutexLocker locker(&s.lock);
    return f(s);
}

bool addUnique(SimpleList &list, const QString &item)
{
    if (list.items.contains(item))
        return false;
    list.items << item;
    list.stamp.touch();
    return true;
}

bool removeFirst(SimpleList &list, const QString &item)
{
    const int i = list.items.indexOf(item);
    if (i < 0)
        return false;
    list.items.removeAt(i);
    list.stamp.touch();
    return true;
}

void replaceItems(SimpleList &list, const QString &text, bool stamp)
{
    if (text.isEmpty())
        return;
    list.items = splitItems(text);
    if (stamp)
        list.stamp.touch();
}

// Text between JSON quotes. Ids and codes never need escaping, so their bodies stay as they are; a
// stray quote or backslash in a value must not break the body or add members to it.
QString jsonStringContent(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString buildNamedUploadText(const NamedList &list, const char *valueKey)
{
    const QString between = QStringLiteral("\",\"%1\":\"").arg(QLatin1String(valueKey));
    QString text;
    for (int i = 0; i < list.names.size(); ++i) {
        if (!text.isEmpty())
            text += kComma;
        text += QLatin1String("{\"nam\":\"")
                + QString::fromLatin1(QUrl::toPercentEncoding(list.names.at(i))) + between
                + jsonStringContent(list.values.at(i)) + QLatin1String("\"}");
    }
    return QLatin1Char('[') + text + QLatin1Char(']');
}

} // namespace

qint64 getConcernedInstModified()
{
    return locked([](Store &s) { return s.concernedInsts.stamp.value(); });
}

void clearConcernedInstModified(qint64 mdf)
{
    locked([&](Store &s) { s.concernedInsts.stamp.clear(mdf); });
}

qint64 getConcernedAnalystModified()
{
    return locked([](Store &s) { return s.concernedAnalysts.stamp.value(); });
}

void clearConcernedAnalystModified(qint64 mdf)
{
    locked([&](Store &s) { s.concernedAnalysts.stamp.clear(mdf); });
}

qint64 getReportSubscribeModified()
{
    return locked([](Store &s) { return s.subscribes.stamp.value(); });
}

void clearReportSubscribeModified(qint64 mdf)
{
    locked([&](Store &s) { s.subscribes.stamp.clear(mdf); });
}

qint64 getReportFavoriteModified()
{
    return locked([](Store &s) { return s.favorites.stamp.value(); });
}

void clearReportFavoriteModified(qint64 mdf)
{
    locked([&](Store &s) { s.favorites.stamp.clear(mdf); });
}

qint64 getStockBlockModified()
{
    return locked([](Store &s) { return s.blocks.stamp.value(); });
}

void clearStockBlockModified(qint64 mdf)
{
    locked([&](Store &s) { s.blocks.stamp.clear(mdf); });
}

qint64 getPortfolioModified()
{
    return locked([](Store &s) { return s.portfolio.stamp.value(); });
}

void clearPortfolioModified(qint64 mdf)
{
    locked([&](Store &s) { s.portfolio.stamp.clear(mdf); });
}

void touchStockBlockModified()
{
    locked([](Store &s) { s.blocks.stamp.touch(); });
}

bool addToConcernedInstList(const QString &name)
{
    return locked([&](Store &s) { return addUnique(s.concernedInsts, name); });
}

bool removeFromConcernedInstList(const QString &name)
{
    return locked([&](Store &s) { return removeFirst(s.concernedInsts, name); });
}

bool isConcernedInst(const QString &name)
{
    return locked([&](Store &s) { return s.concernedInsts.items.contains(name); });
}

QStringList getConcernedInstList()
{
    return locked([](Store &s) { return sortByPinyinInitials(s.concernedInsts.items); });
}

void setConcernedInstList(const QString &text, bool stamp)
{
    locked([&](Store &s) { replaceItems(s.concernedInsts, text, stamp); });
}

bool addToConcernedAnalystList(const QString &uid)
{
    return locked([&](Store &s) { return addUnique(s.concernedAnalysts, uid); });
}

bool removeFromConcernedAnalystList(const QString &uid)
{
    return locked([&](Store &s) { return removeFirst(s.concernedAnalysts, uid); });
}

bool isConcernedAnalyst(const QString &uid)
{
    return locked([&](Store &s) { return s.concernedAnalysts.items.contains(uid); });
}

QStringList getConcernedAnalystList()
{
    return locked([](Store &s) { return s.concernedAnalysts.items; });
}

void setConcernedAnalystList(const QString &text, bool stamp)
{
    locked([&](Store &s) { replaceItems(s.concernedAnalysts, text, stamp); });
}

bool addToPortfolioList(const QString &code)
{
    return locked([&](Store &s) {
        if (!addUnique(s.portfolio, code))
            return false;
        s.portfolio.items.sort();
        return true;
    });
}

bool removeFromPortfolioList(const QString &code)
{
    return locked([&](Store &s) { return removeFirst(s.portfolio, code); });
}

QStringList getPortfolioList()
{
    return locked([](Store &s) { return s.portfolio.items; });
}

void setPortfolioList(const QString &text, bool stamp)
{
    locked([&](Store &s) { replaceItems(s.portfolio, text, stamp); });
}

void setMaskedInstList(const QString &text)
{
    locked([&](Store &s) { s.maskedInsts = splitItems(text); });
}

QStringList getMaskedInstList()
{
    return locked([](Store &s) { return s.maskedInsts; });
}

// The kinds are kept with the other options; the store's lock makes each change one whole step.
void enableAlert(const QString &kind)
{
    locked([&](Store &) {
        QStringList kinds = getAlertKinds();
        if (kinds.contains(kind))
            return;
        kinds << kind;
        setAlertKinds(kinds);
    });
}

void disableAlert(const QString &kind)
{
    locked([&](Store &) {
        QStringList kinds = getAlertKinds();
        if (kinds.removeOne(kind))
            setAlertKinds(kinds);
    });
}

bool addSubscribe(const QString &name, const QString &content, bool stamp)
{
    return locked([&](Store &s) {
        if (s.subscribes.find(name) >= 0)
            return false;
        s.subscribes.append(name, content);
        if (stamp)
            s.subscribes.stamp.touch();
        return true;
    });
}

bool setSubscribeContent(const QString &name, const QString &content, bool stamp)
{
    return locked([&](Store &s) {
        const int i = s.subscribes.find(name);
        if (i < 0)
            return false;
        s.subscribes.values[i] = content;
        if (stamp)
            s.subscribes.stamp.touch();
        return true;
    });
}

QString getSubscribeContent(const QString &name)
{
    return locked([&](Store &s) {
        const int i = s.subscribes.find(name);
        return i < 0 ? QString() : s.subscribes.values.at(i);
    });
}

bool changeSubscribeName(const QString &oldName, const QString &newName)
{
    return locked([&](Store &s) { return s.subscribes.rename(oldName, newName); });
}

bool deleteSubscribe(const QString &name)
{
    return locked([&](Store &s) { return s.subscribes.remove(name); });
}

QStringList getSubscribeNameList()
{
    return locked([](Store &s) { return s.subscribes.names; });
}

bool addFavoriteReport(const QString &name, const QString &ids, bool stamp)
{
    return locked([&](Store &s) { return s.favorites.addItem(name, ids, stamp); });
}

bool removeFavoriteReport(const QString &name, const QString &id)
{
    return locked([&](Store &s) { return s.favorites.removeItem(name, id, true); });
}

bool isFavoriteReport(const QString &name, const QString &id)
{
    return locked([&](Store &s) {
        return name.isEmpty() ? s.favorites.anyHolds(id) : s.favorites.holds(name, id);
    });
}

QStringList getFavoriteReportIds(const QString &name)
{
    return locked([&](Store &s) {
        const int i = s.favorites.find(name);
        return i < 0 ? QStringList() : splitItems(s.favorites.values.at(i));
    });
}

bool changeFavoriteName(const QString &oldName, const QString &newName)
{
    return locked([&](Store &s) { return s.favorites.rename(oldName, newName); });
}

bool deleteFavorite(const QString &name)
{
    return locked([&](Store &s) { return s.favorites.remove(name); });
}

QStringList getFavoriteNameList()
{
    return locked([](Store &s) { return s.favorites.names; });
}

bool addBlockStock(const QString &name, const QString &codes, bool stamp)
{
    return locked([&](Store &s) { return s.blocks.addItem(name, codes, stamp); });
}

bool removeBlockStock(const QString &name, const QString &code, bool stamp)
{
    return locked([&](Store &s) { return s.blocks.removeItem(name, code, stamp); });
}

bool isStockOfBlock(const QString &name, const QString &code)
{
    return locked([&](Store &s) { return s.blocks.holds(name, code); });
}

bool isBlockedStock(const QString &code)
{
    return locked([&](Store &s) { return s.blocks.anyHolds(code); });
}

bool changeBlockName(const QString &oldName, const QString &newName)
{
    return locked([&](Store &s) { return s.blocks.rename(oldName, newName); });
}

bool deleteBlock(const QString &name)
{
    return locked([&](Store &s) { return s.blocks.remove(name); });
}

QStringList getBlockNameList()
{
    return locked([](Store &s) { return s.blocks.names; });
}

QString buildFavoriteUploadText()
{
    return locked([](Store &s) { return buildNamedUploadText(s.favorites, "lst"); });
}

QString buildBlockUploadText()
{
    return locked([](Store &s) { return buildNamedUploadText(s.blocks, "lst"); });
}

QString buildSubscribeUploadText()
{
    return locked([](Store &s) { return buildNamedUploadText(s.subscribes, "cnt"); });
}

QString buildConcernedInstUploadText()
{
    return locked([](Store &s) { return sortByPinyinInitials(s.concernedInsts.items).join(kComma); });
}

QString buildConcernedAnalystUploadText()
{
    return locked([](Store &s) { return s.concernedAnalysts.items.join(kComma); });
}

UserListsPrivate::BlockEntries UserListsPrivate::blockEntries()
{
    return locked([](Store &s) { return BlockEntries{s.blocks.names, s.blocks.values}; });
}
