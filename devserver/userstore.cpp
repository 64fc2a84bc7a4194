#include "userstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QUrl>
#include <random>

namespace {

const char *const listKeys[] = {"prt", "ins", "anl", "msk", "sub", "fav", "blk"};

QString md5Hex(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace

bool UserStore::load(const QString &accountsFile, const QString &stateDir, QString *error)
{
    QFile file(accountsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(accountsFile);
        return false;
    }
    const QJsonArray accounts = QJsonDocument::fromJson(file.readAll()).array();
    if (accounts.isEmpty()) {
        *error = QStringLiteral("%1 holds no accounts").arg(accountsFile);
        return false;
    }
    for (const QJsonValue &v : accounts) {
        const QJsonObject a = v.toObject();
        m_accounts.insert(a.value(QLatin1String("acc")).toString(), a);
    }
    m_stateDir = stateDir;
    if (!QDir().mkpath(stateDir)) {
        *error = QStringLiteral("cannot create state folder %1").arg(stateDir);
        return false;
    }
    return true;
}

UserStore::Check UserStore::check(const QString &account, const QString &pwd) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_accounts.constFind(account);
    if (it == m_accounts.constEnd())
        return Check::Unknown;
    return md5Hex(it->value(QLatin1String("pwd")).toString()) == pwd ? Check::Accepted : Check::WrongPassword;
}

QString UserStore::displayName(const QString &account) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_accounts.value(account).value(QLatin1String("nam")).toString();
}

QString UserStore::stateFile(const QString &account) const
{
    const QString name = account.isEmpty() ? QStringLiteral("guest") : QString::fromLatin1(QUrl::toPercentEncoding(account));
    return m_stateDir + QStringLiteral("/lists-") + name + QStringLiteral(".json");
}

QJsonObject UserStore::lists(const QString &account)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_lists.find(account);
    if (it != m_lists.end())
        return *it;
    QJsonObject lists;
    QFile saved(stateFile(account));
    if (saved.open(QIODevice::ReadOnly))
        lists = QJsonDocument::fromJson(saved.readAll()).object();
    if (lists.isEmpty()) {
        const QJsonObject generated = m_accounts.value(account);
        for (const char *key : listKeys)
            lists.insert(QLatin1String(key), generated.value(QLatin1String(key)));
    }
    m_lists.insert(account, lists);
    return lists;
}

QString UserStore::openSession(const QString &account)
{
    static std::random_device device;
    std::lock_guard<std::mutex> guard(m_lock);
    QString ssn;
    do {
        ssn.clear();
        for (int k = 0; k < 4; ++k)
            ssn += QStringLiteral("%1").arg(quint32(device()), 8, 16, QLatin1Char('0'));
    } while (m_sessions.contains(ssn));
    m_sessions.insert(ssn, account);
    return ssn;
}

bool UserStore::sessionAccount(const QString &ssn, QString *account) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_sessions.constFind(ssn);
    if (it == m_sessions.constEnd())
        return false;
    *account = *it;
    return true;
}

void UserStore::dropSessions()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_sessions.clear();
}

bool UserStore::store(const QString &account, const QString &kind, const QByteArray &body, QString *error)
{
    std::lock_guard<std::mutex> storing(m_storeLock);
    QJsonObject current = lists(account);
    const QString text = QString::fromUtf8(body);
    if (kind == QLatin1String("inst")) {
        current.insert(QStringLiteral("ins"), text);
    } else if (kind == QLatin1String("analyst")) {
        current.insert(QStringLiteral("anl"), text);
    } else {
        // [{"nam": percent-encoded name, "lst"|"cnt": value}]; a subscription's content stays encoded.
        const QJsonDocument doc = QJsonDocument::fromJson(body);
        if (!doc.isArray()) {
            *error = QStringLiteral("数据格式错误");
            return false;
        }
        const char *valueKey = kind == QLatin1String("subscribe") ? "cnt" : "lst";
        QJsonArray items;
        for (const QJsonValue &v : doc.array()) {
            const QJsonObject item = v.toObject();
            if (!item.value(QLatin1String("nam")).isString() || !item.value(QLatin1String(valueKey)).isString()) {
                *error = QStringLiteral("数据格式错误");
                return false;
            }
            const QString name = QUrl::fromPercentEncoding(item.value(QLatin1String("nam")).toString().toUtf8());
            items.append(QJsonObject{{QStringLiteral("nam"), name}, {QLatin1String(valueKey), item.value(QLatin1String(valueKey))}});
        }
        const char *listKey = kind == QLatin1String("subscribe") ? "sub" : kind == QLatin1String("favorite") ? "fav" : "blk";
        current.insert(QLatin1String(listKey), items);
    }

    std::lock_guard<std::mutex> guard(m_lock);
    QSaveFile file(stateFile(account));
    const QByteArray bytes = QJsonDocument(current).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("服务器存储失败");
        return false;
    }
    m_lists.insert(account, current);
    return true;
}
