#include "startup.h"

#include "corelog.h"
#include "globalstate.h"
#include "platform.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QTextCodec>
#include <QTranslator>
#include <QWidget>

void setUtf8LocaleCodec()
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

QStringList fallbackFontFamilies()
{
    return {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Microsoft YaHei"),
            QStringLiteral("SimSun")};
}

void installAppFont(const QString &appDir)
{
    const int id = QFontDatabase::addApplicationFont(appDir + QStringLiteral("/font.ttc"));
    const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id)
                                         : QStringList();
    if (!families.isEmpty()) {
        QFont font(families.first());
        font.setPointSize(11);
        QApplication::setFont(font);
        return;
    }
    const QStringList fallback = fallbackFontFamilies();
    QFont font(fallback.first());
    font.setFamilies(fallback);
    font.setPointSize(11);
    setAppFont(font);
    QApplication::setFont(font);
}

bool installStyleSheet(QApplication *app, const QString &appDir)
{
    QFile file(appDir + QStringLiteral("/skin.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    app->setStyleSheet(QTextCodec::codecForLocale()->toUnicode(file.readAll()));
    return true;
}

bool installTranslator(QApplication *app, const QString &appDir)
{
    auto *translator = new QTranslator(app);
    const bool loaded = translator->load(appDir + QStringLiteral("/qt_zh_CN.qm"));
    if (!loaded)
        qCInfo(lcCore) << "Qt's Chinese translation not found in" << appDir;
    QCoreApplication::installTranslator(translator);
    return loaded;
}

QPoint centredPosition(const QRect &available, const QSize &frame)
{
    return QPoint((available.width() - frame.width()) / 2,
                  (available.height() - frame.height()) / 2);
}

void centreWindow(QWidget *window)
{
    const QRect area = platformCentringArea();
    window->move(centredPosition(area, window->frameGeometry().size()));
}
