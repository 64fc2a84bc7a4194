#include "faultset.h"

#include <QJsonObject>

const QStringList &FaultSet::names()
{
    static const QStringList list = {
        // login reply
        QStringLiteral("login_refused"), QStringLiteral("login_unregistered"), QStringLiteral("login_empty_msg"),
        QStringLiteral("old_version"), QStringLiteral("bulletin"), QStringLiteral("bulletin_vip"),
        QStringLiteral("sft_win_traversal"), QStringLiteral("sft_win_empty"),
        // any path
        QStringLiteral("http_500"), QStringLiteral("http_404"), QStringLiteral("stall"), QStringLiteral("truncate"),
        // packages
        QStringLiteral("pkg_corrupt"), QStringLiteral("pkg_not_json"), QStringLiteral("pkg_bomb"), QStringLiteral("hostile_rows"),
        // object-host test file
        QStringLiteral("tst_text"), QStringLiteral("tst_half"), QStringLiteral("tst_zero"), QStringLiteral("tst_plain"),
        // report file and share
        QStringLiteral("file_refused"), QStringLiteral("file_obj_file"), QStringLiteral("file_obj_qrc"),
        QStringLiteral("file_empty"), QStringLiteral("share_refused"),
        // list uploads
        QStringLiteral("upload_refused"), QStringLiteral("upload_no_mdf"), QStringLiteral("session_timeout"),
        QStringLiteral("session_timeout_no_mdf"),
    };
    return list;
}

bool FaultSet::parse(const QString &faultText, QString *error)
{
    const int at = faultText.indexOf(QLatin1Char('@'));
    return at < 0 ? set(faultText, true, QString(), error) : set(faultText.left(at), true, faultText.mid(at + 1), error);
}

bool FaultSet::set(const QString &name, bool on, const QString &path, QString *error)
{
    if (!names().contains(name)) {
        *error = QStringLiteral("unknown fault \"%1\"; known: %2").arg(name, names().join(QLatin1Char(' ')));
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (on)
        m_active[name] = path;
    else
        m_active.erase(name);
    return true;
}

void FaultSet::reset()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_active.clear();
}

bool FaultSet::active(const char *name, const QString &path) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_active.find(QLatin1String(name));
    return it != m_active.end() && path.startsWith(it->second);
}

bool FaultSet::activeWithFilter(const char *name, const QString &path) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_active.find(QLatin1String(name));
    return it != m_active.end() && !it->second.isEmpty() && path.startsWith(it->second);
}

QJsonArray FaultSet::list() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    QJsonArray out;
    for (const auto &f : m_active)
        out.append(QJsonObject{{QStringLiteral("name"), f.first}, {QStringLiteral("path"), f.second}});
    return out;
}
