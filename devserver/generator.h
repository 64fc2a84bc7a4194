#pragma once

#include <QString>
#include <QtGlobal>

// `tamrel-devserver generate`: writes a data folder (packages, index, manifest, the lookup
// files the server needs) that is fully determined by size, seed, award table and "today".
class Generator
{
public:
    struct Options
    {
        QString size = QStringLiteral("small");   // small | large
        quint64 seed = 1;
        QString outDir;
        QString awardsPath;
        qint64 todayJd = 0;
        int threads = 0;                            // 0 = one per core
    };

    static bool run(const Options &options, QString *error);
};
