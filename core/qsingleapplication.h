#pragma once

#include <QApplication>
#include <memory>

class QLockFile;
class QSharedMemory;

// The application object with a single-instance guard. The first instance owns a shared
// segment under the given key and polls it every second; a later instance finds it,
// can leave one message there with sendMessage, and is expected to end.
//
// Segment layout: byte 0 is "1" while a message waits and "0" otherwise; the UTF-8
// message follows from byte 1, ended by a NUL byte.
//
// A System V segment outlives a process that is killed. So that such a leftover cannot
// keep the program from ever starting again, the owner also holds a lock file beside the
// segment's key file; a lock whose process is gone counts as free, and the new first
// instance takes the segment over.
class QSingleApplication : public QApplication
{
    Q_OBJECT

public:
    // Room for a message of a few dozen characters; the one message sent is short.
    static constexpr int SegmentSize = 256;

    QSingleApplication(int &argc, char **argv, const QString &key);
    ~QSingleApplication() override;

    // True when another instance was running when this one started.
    bool isRunning() const;

public slots:
    void checkForMessage();
    // Leaves the message for the running instance; false when there is none.
    bool sendMessage(const QString &message);

signals:
    void messageAvailable(const QString &message);

private:
    bool attachToRunningInstance();
    void becomeFirstInstance();

    bool m_running = false;
    QSharedMemory *m_memory = nullptr;
    std::unique_ptr<QLockFile> m_ownerLock;
};
