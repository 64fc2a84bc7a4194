#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <map>
#include <mutex>

// The faults the stand-in can play, switched by name on the command line ("--fault name" or
// "--fault name@/path/prefix") and at run time (/_control/fault). A fault with a path applies
// only to requests whose path starts with it.
class FaultSet
{
public:
    static const QStringList &names();

    // "name" or "name@/path"; false (with a message) for an unknown name.
    bool parse(const QString &faultText, QString *error);
    bool set(const QString &name, bool on, const QString &path, QString *error);
    void reset();
    bool active(const char *name, const QString &path) const;
    // Whether the fault was switched on with a path filter (and so may reach IDX.DAT).
    bool activeWithFilter(const char *name, const QString &path) const;
    QJsonArray list() const;

private:
    mutable std::mutex m_lock;
    std::map<QString, QString> m_active;   // name -> path prefix, empty for every path
};
