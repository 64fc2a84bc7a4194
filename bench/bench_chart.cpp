// The price chart over a 20-year day-price file (about 5,200 trading days, 300 rating days,
// valuation bands on): the import of the package into a new file, the load of the file into the
// chart (read every row, set the data), the first paint at 1280 x 760 and a repaint after a mouse
// move, with the newest 200 days shown and with all of them. Median and maximum in milliseconds.
//
// bench_chart [--runs N]

#include "daypricestore.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "qchart.h"
#include "stockcache.h"
#include "usersettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const QString kCode = QStringLiteral("600000.SH");

QString makePackage(const QDate &first, const QDate &last, QStringList *ratingDays)
{
    QStringList rows;
    double close = 10;
    int n = 0;
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        if (d.dayOfWeek() > 5)
            continue;
        close = std::max(1.0, close * (1 + 0.02 * std::sin(n * 0.37) * std::cos(n * 0.011)));
        const double factor = 1 + n / 1000;
        rows << QStringLiteral("{\"dt\":\"%1\",\"pO\":%2,\"pH\":%3,\"pL\":%4,\"pC\":%2,\"ch\":0.1,\"fc\":%5,"
                               "\"tM\":\"%1 16:00:00\"}")
                    .arg(d.toString(QStringLiteral("yyyy-MM-dd")))
                    .arg(close, 0, 'f', 2)
                    .arg(close * 1.02, 0, 'f', 2)
                    .arg(close * 0.98, 0, 'f', 2)
                    .arg(factor);
        if (n % 17 == 0)
            *ratingDays << d.toString(QStringLiteral("yyyyMMdd"));
        ++n;
    }
    return QStringLiteral("{\"data\":[") + rows.join(',') + QStringLiteral("]}");
}

struct Figures
{
    QList<double> ms;
    void add(double v) { ms << v; }
    QString text()
    {
        std::sort(ms.begin(), ms.end());
        return QStringLiteral("median %1 ms, max %2 ms").arg(ms.at(ms.size() / 2), 0, 'f', 2).arg(ms.last(), 0, 'f', 2);
    }
};

double timed(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 15;
    const QStringList args = app.arguments();
    if (args.indexOf(QStringLiteral("--runs")) > 0)
        runs = args.value(args.indexOf(QStringLiteral("--runs")) + 1).toInt();
    QTextStream out(stdout);

    QTemporaryDir dir;
    loadDefaultConfig();
    setDataDir(dir.path());
    if (!initMainDatabase(dir.path()))
        return 1;
    QSqlQuery(mainDatabase()).exec(QStringLiteral(
        "insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Stk_Share, Prc_Factor) values ('600000.SH', 'x', 0, 1000, 5)"));
    loadStockCache();
    setListYear(2016);

    QStringList ratingDays;
    const QString package = makePackage(QDate(1997, 1, 1), QDate(2016, 12, 31), &ratingDays);
    QStringList profits;
    for (int y = 2016; y >= 1996; --y)
        profits << QStringLiteral("%1[%2]").arg(y).arg(400 + 10 * (y - 1996));
    const QString yearProfits = profits.join(',');

    DayImportResult imported;
    const double importMs = timed([&] {
        QSqlDatabase db = sqliteConnection(QStringLiteral("PriceDB"), dayPriceFilePath(kCode));
        imported = importDayPrices(db, package);
    });
    closeSqliteConnection(QStringLiteral("PriceDB"));
    out << "rows " << imported.rows << ", rating days " << ratingDays.size() << ", package "
        << package.size() / 1024 << " KiB\n";
    out << "import into a new file: " << QString::number(importMs, 'f', 1) << " ms\n";
    const double reimportMs = timed([&] {
        QSqlDatabase db = sqliteConnection(QStringLiteral("PriceDB"), dayPriceFilePath(kCode));
        importDayPrices(db, package);
    });
    closeSqliteConnection(QStringLiteral("PriceDB"));
    out << "import again (nothing changes): " << QString::number(reimportMs, 'f', 1) << " ms\n";

    QChart chart;
    chart.resize(1280, 760);
    chart.setBandVisible(true);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);

    Figures load;
    for (int i = 0; i < runs; ++i) {
        load.add(timed([&] {
            QList<QPriceRecord> prices;
            {
                QSqlDatabase db = sqliteConnection(QStringLiteral("PriceDB"), dayPriceFilePath(kCode));
                isDayPriceStale(readDayPriceStatus(db), 0, QDateTime());
                prices = readDayPrices(db);
            }
            closeSqliteConnection(QStringLiteral("PriceDB"));
            chart.setData(kCode, prices, ratingDays, yearProfits);
        }));
    }
    out << "load (open, count, read, set data): " << load.text() << "\n";

    for (int zoomOuts : {0, 6}) {
        for (int z = 0; z < zoomOuts; ++z)
            chart.zoomOut();
        Figures first, move;
        for (int i = 0; i < runs; ++i) {
            chart.setBandVisible(true); // drops the cached layer
            first.add(timed([&] { chart.render(&image); }));
        }
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&chart, &enter);
        for (int i = 0; i < runs * 10; ++i) {
            move.add(timed([&] {
                QMouseEvent e(QEvent::MouseMove, QPointF(100 + (i * 37) % 1100, 300), Qt::NoButton, Qt::NoButton,
                              Qt::NoModifier);
                QApplication::sendEvent(&chart, &e);
                chart.render(&image);
            }));
        }
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&chart, &leave);
        app.processEvents();
        out << "shown days " << chart.getVisibleDayCount() << " (of " << chart.getPriceCount() << "):\n";
        out << "  first paint: " << first.text() << "\n";
        out << "  mouse move + repaint: " << move.text() << "\n";
    }
    return 0;
}
