#pragma once

// What the list benchmarks share: their output, the database they time, the program's look, the
// end of a page's painting, and the plain view that is the limit of a page.

#include "databaseschema.h"
#include "dbconnection.h"
#include "startup.h"
#include "usersettings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextStream>

#include <functional>

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

// The program's font and style sheet, from the app folder of this build tree.
inline void installProgramLook(QApplication *app)
{
    const QString appDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../app");
    installAppFont(appDir);
    if (!installStyleSheet(app, appDir))
        out() << "no skin.qss in " << appDir << ": measuring without the program's style sheet" << Qt::endl;
}

// Counts the paint events of every widget of the application.
class PaintCounter : public QObject
{
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// What the event loop does after a slot, as the user waits for it: widgets marked for deletion
// go, layouts and polish run, and passes go on until two in a row paint nothing (a page of cell
// labels paints in two, and a pass that only lays out posts the repaint for the next pass).
// Returns the passes that painted.
inline int runUntilPainted(PaintCounter &paints)
{
    int painted = 0;
    for (int pass = 0, empty = 0; pass < 50 && empty < 2; ++pass) {
        const int before = paints.count;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (paints.count == before) {
            ++empty;
        } else {
            empty = 0;
            ++painted;
        }
    }
    return painted;
}

// The limit of a page: the same rows in a QTableView over a plain model, shown beside the list
// at its size, timed the same way (the rows read, the old model deleted, laid out and painted).
class PlainView
{
public:
    explicit PlainView(const QSize &size)
    {
        m_view.resize(size);
        m_view.verticalHeader()->setDefaultSectionSize(24);
        m_view.show();
    }

    // Milliseconds of the page: rows() gives them (reading its query, say), then the view shows them.
    double show(PaintCounter &paints, const std::function<QVector<QStringList>()> &rows)
    {
        QElapsedTimer timer;
        timer.start();
        auto *model = new QStandardItemModel(&m_view);
        for (const QStringList &row : rows()) {
            QList<QStandardItem *> items;
            for (const QString &text : row)
                items << new QStandardItem(text);
            model->appendRow(items);
        }
        QAbstractItemModel *old = m_view.model();
        m_view.setModel(model);
        delete old;
        runUntilPainted(paints);
        return double(timer.nsecsElapsed()) / 1e6;
    }

    // Every row of an executed query, as text.
    static QVector<QStringList> rowsOf(QSqlQuery &query)
    {
        QVector<QStringList> rows;
        while (query.next()) {
            QStringList row;
            for (int c = 0; c < query.record().count(); ++c)
                row << query.value(c).toString();
            rows << row;
        }
        return rows;
    }

private:
    QTableView m_view;
};
