// tamrel-devserver: the local stand-in of the research service and its object host.
//
//   tamrel-devserver generate --size small|large --seed N --out DIR [--awards FILE] [--today yyyy-MM-dd] [--threads N]
//   tamrel-devserver serve --data DIR [--service-port P] [--service-port2 P] [--object-port P]
//                          [--hosts-ini FILE] [--log FILE] [--state DIR] [--fault NAME[@PATH]]...

#include "faultset.h"
#include "generator.h"
#include "standinserver.h"
#include "tradingcalendar.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <pthread.h>

#ifndef TAMREL_AWARDS_FILE
#define TAMREL_AWARDS_FILE ""
#endif

namespace {

void usage(FILE *out)
{
    std::fprintf(out,
                 "usage:\n"
                 "  tamrel-devserver generate --size small|large --seed N --out DIR [--awards FILE]\n"
                 "                            [--today yyyy-MM-dd] [--threads N]\n"
                 "  tamrel-devserver serve --data DIR [--service-port P] [--service-port2 P] [--object-port P]\n"
                 "                         [--hosts-ini FILE] [--log FILE] [--state DIR] [--fault NAME[@PATH]]...\n"
                 "ports default to 17801, 17802 and 17803; 0 picks a free port.\n"
                 "faults: %s\n",
                 qPrintable(FaultSet::names().join(QLatin1Char(' '))));
}

bool takeValue(const QStringList &args, int &i, QString *value)
{
    if (i + 1 >= args.size()) {
        std::fprintf(stderr, "tamrel-devserver: %s needs a value\n", qPrintable(args.at(i)));
        return false;
    }
    *value = args.at(++i);
    return true;
}

bool toPort(const QString &text, int *port)
{
    bool ok = false;
    *port = text.toInt(&ok);
    return ok && *port >= 0 && *port < 65536;
}

int generate(const QStringList &args)
{
    Generator::Options o;
    o.awardsPath = QString::fromUtf8(TAMREL_AWARDS_FILE);
    o.seed = 0;
    bool haveSeed = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        QString v;
        if (!a.startsWith(QLatin1String("--")) || !takeValue(args, i, &v)) {
            usage(stderr);
            return 2;
        }
        bool ok = true;
        if (a == QLatin1String("--size")) {
            o.size = v;
        } else if (a == QLatin1String("--seed")) {
            o.seed = v.toULongLong(&ok);
            haveSeed = ok;
        } else if (a == QLatin1String("--out")) {
            o.outDir = v;
        } else if (a == QLatin1String("--awards")) {
            o.awardsPath = v;
        } else if (a == QLatin1String("--today")) {
            const QDate d = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
            ok = d.isValid();
            o.todayJd = d.toJulianDay();
        } else if (a == QLatin1String("--threads")) {
            o.threads = v.toInt(&ok);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "tamrel-devserver: bad option %s %s\n", qPrintable(a), qPrintable(v));
            return 2;
        }
    }
    if (o.outDir.isEmpty() || !haveSeed) {
        usage(stderr);
        return 2;
    }
    QString error;
    if (!Generator::run(o, &error)) {
        std::fprintf(stderr, "tamrel-devserver: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

int serve(const QStringList &args)
{
    StandInServer::Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        QString v;
        if (!a.startsWith(QLatin1String("--")) || !takeValue(args, i, &v)) {
            usage(stderr);
            return 2;
        }
        bool ok = true;
        if (a == QLatin1String("--data"))
            o.dataDir = v;
        else if (a == QLatin1String("--service-port"))
            ok = toPort(v, &o.servicePort);
        else if (a == QLatin1String("--service-port2"))
            ok = toPort(v, &o.servicePort2);
        else if (a == QLatin1String("--object-port"))
            ok = toPort(v, &o.objectPort);
        else if (a == QLatin1String("--hosts-ini"))
            o.hostsIni = v;
        else if (a == QLatin1String("--log"))
            o.logFile = v;
        else if (a == QLatin1String("--state"))
            o.stateDir = v;
        else if (a == QLatin1String("--fault"))
            o.faults.append(v);
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "tamrel-devserver: bad option %s %s\n", qPrintable(a), qPrintable(v));
            return 2;
        }
    }
    if (o.dataDir.isEmpty()) {
        usage(stderr);
        return 2;
    }

    // The server threads inherit this mask; only sigwait below sees SIGINT and SIGTERM.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    StandInServer server(o);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "tamrel-devserver: %s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stdout, "%s\n", server.readyLine().constData());
    std::fflush(stdout);
    std::fprintf(stderr, "tamrel-devserver: %s\n", qPrintable(server.summary()));
    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    std::fprintf(stderr, "tamrel-devserver: stopped\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        usage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("generate"))
        return generate(args);
    if (command == QLatin1String("serve"))
        return serve(args);
    usage(stderr);
    return 2;
}
