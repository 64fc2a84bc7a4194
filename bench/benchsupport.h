#pragma once

// What the list benchmarks share: their output and the database they time.

#include "databaseschema.h"
#include "dbconnection.h"
#include "usersettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// CPU time of the calling thread: less disturbed than wall time by other work on the machine.
inline double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Opens data.s3 in dir as the data folder, building its rows with build() when the file is new
// (saying what it builds); a file made by an older build gets the schema's missing indexes unless
// keepSchema. False, said, when the file cannot be opened or built.
template <typename Build>
bool openBenchDatabase(const QString &dir, bool keepSchema, const QString &what, Build build)
{
    const bool fresh = !QFile::exists(QDir(dir).filePath(QStringLiteral("data.s3")));
    if (!initMainDatabase(dir)) {
        out() << "cannot open the database in " << dir << Qt::endl;
        return false;
    }
    setDataDir(dir);
    if (fresh) {
        out() << "building " << what << " in " << dir << Qt::endl;
        QElapsedTimer timer;
        timer.start();
        if (!build(mainDatabase()))
            return false;
        out() << "built in " << timer.elapsed() / 1000.0 << " s" << Qt::endl;
    } else if (!keepSchema) {
        createDatabaseSchema(mainDatabase(), QStringLiteral(":/config.ini"));
    }
    return true;
}
