#include "qupdater.h"

#include <QTimer>

QUpdater::QUpdater()
    : QObject(nullptr)
{
}

QUpdater::~QUpdater()
{
    delete timer;
}

void QUpdater::start()
{
    timer = new QTimer();
    connect(timer, &QTimer::timeout, this, qOverload<>(&QUpdater::timerEvent));
    timer->start(1000);
}

void QUpdater::stop()
{
    stopped = true;
}

void QUpdater::timerEvent()
{
    if (!stopped) {
        emit showStatus(QStringLiteral("线程等待..."));
        return;
    }
    timer->stop();
    emit exitSystem();
}
