#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <mutex>

// The sample accounts, their sessions and their lists. Lists start as generated and are
// replaced by uploads; uploaded lists are kept in the state folder, so they survive a restart.
// Sessions live only in memory: after a restart an old session id counts as timed out.
class UserStore
{
public:
    enum class Check { Accepted, WrongPassword, Unknown };

    bool load(const QString &accountsFile, const QString &stateDir, QString *error);

    // pwd is the lower-case hex MD5 of the password; the guest has an empty account.
    Check check(const QString &account, const QString &pwd) const;
    QString displayName(const QString &account) const;
    QJsonObject lists(const QString &account);            // prt ins anl msk sub fav blk
    QString openSession(const QString &account);
    bool sessionAccount(const QString &ssn, QString *account) const;
    void dropSessions();

    // kind: inst, analyst, subscribe, favorite, block. False (with a message) for a body that
    // is not what the list expects, or when the state cannot be written.
    bool store(const QString &account, const QString &kind, const QByteArray &body, QString *error);

private:
    QString stateFile(const QString &account) const;

    mutable std::mutex m_lock;
    std::mutex m_storeLock;                   // one upload at a time rewrites an account's lists
    QHash<QString, QJsonObject> m_accounts;   // as generated, with "pwd" and "nam"
    QHash<QString, QJsonObject> m_lists;      // current lists per account
    QHash<QString, QString> m_sessions;       // ssn -> account
    QString m_stateDir;
};
