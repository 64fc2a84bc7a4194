#include "platform.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>

namespace {
const char productName[] = "Tamrel";
}

QString platformDataLocation()
{
    QCoreApplication::setOrganizationName(QLatin1String(productName));
    QCoreApplication::setApplicationName(QLatin1String(productName));
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString platformOsName()
{
    const QString type = QSysInfo::productType();
    if (type == QLatin1String("windows")) {
        const QString version = QSysInfo::productVersion();
        if (version == QLatin1String("7"))
            return QStringLiteral("Win7");
        if (version == QLatin1String("8"))
            return QStringLiteral("Win8");
        return QStringLiteral("Windows");
    }
    if (QSysInfo::kernelType() == QLatin1String("linux"))
        return QStringLiteral("Linux");
    // The name goes into the User-Agent, which must not hold blanks.
    QString name = type;
    name.remove(QLatin1Char(' '));
    return name.isEmpty() ? QStringLiteral("Unknown") : name;
}

QRect platformCentringArea()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QScreen *screen = screens.size() > 1 ? screens.at(1) : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
