#pragma once

// Texts that arrive faster than anyone reads them (the update engine's progress, hundreds a
// second) shown at most once per interval: a text after a quiet interval at once, else the newest
// one when the interval ends. The last text is always shown; the ones in between are dropped.

#include <QObject>
#include <QString>
#include <QTimer>

class StatusThrottle : public QObject
{
    Q_OBJECT

public:
    explicit StatusThrottle(int intervalMs, QObject *parent = nullptr);

public slots:
    void post(const QString &text);

signals:
    void show(const QString &text);

private:
    void intervalEnded();

    QTimer m_timer;
    QString m_pending;
    bool m_hasPending = false;
};
