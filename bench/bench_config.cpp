// Start-up cost of reading the embedded configuration and the award table through the script
// engine's JSON.parse, against what a fresh engine per entry would cost.

#include "analystaward.h"
#include "defaultconfig.h"
#include "jsonscript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <cstdio>
#include <functional>

namespace {

double msPerRun(int runs, const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        run();
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

int jsonEntries()
{
    QSettings s(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    int count = 0;
    for (const char *section : {"ServiceHost", "Orders", "Codes", "FileFormat"}) {
        s.beginGroup(QLatin1String(section));
        count += s.childKeys().size();
        s.endGroup();
    }
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int entries = jsonEntries();

    QElapsedTimer first;
    first.start();
    loadDefaultConfig();
    const double firstMs = double(first.nsecsElapsed()) / 1e6;
    const double loadMs = msPerRun(50, [] { loadDefaultConfig(); });
    const double awardMs = msPerRun(20, [] {
        clearAnalystAwardTable();
        loadAnalystAwardTable();
    });
    const double engineMs = msPerRun(100, [] {
        JsonScript json;
        json.parse(QStringLiteral(R"({"id": "RPT_NEW"})"));
    });

    std::printf("configuration: %d JSON entries\n", entries);
    std::printf("loadDefaultConfig, first:        %8.2f ms\n", firstMs);
    std::printf("loadDefaultConfig, average:      %8.2f ms\n", loadMs);
    std::printf("loadAnalystAwardTable, average:  %8.2f ms\n", awardMs);
    std::printf("one engine and one parse:        %8.3f ms\n", engineMs);
    std::printf("a fresh engine per entry would add about %.1f ms per load\n", engineMs * (entries - 1));
    return 0;
}
