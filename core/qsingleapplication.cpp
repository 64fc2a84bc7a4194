#include "qsingleapplication.h"

#include "corelog.h"

#include <QDir>
#include <QLockFile>
#include <QSharedMemory>
#include <QThread>
#include <QTimer>
#include <cstring>

namespace {

// A second instance may start while the first one is between taking the lock and
// creating the segment; it waits this long for the segment to appear.
const int attachAttempts = 40;
const unsigned long attachPauseMs = 50;

// Cuts UTF-8 bytes to at most max bytes without splitting a character.
QByteArray cutUtf8(QByteArray bytes, int max)
{
    if (bytes.size() <= max)
        return bytes;
    int end = qMax(0, max);
    while (end > 0 && (static_cast<unsigned char>(bytes.at(end)) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

} // namespace

QSingleApplication::QSingleApplication(int &argc, char **argv, const QString &key)
    : QApplication(argc, argv)
{
    m_memory = new QSharedMemory(this);
    m_memory->setKey(key);

    // QSharedMemory keeps its key file in the temporary folder; the owner's lock sits beside it.
    m_ownerLock = std::make_unique<QLockFile>(QDir::tempPath() + QLatin1Char('/') + key
                                              + QStringLiteral(".owner.lock"));
    // Only a dead owner makes the lock stale, never its age.
    m_ownerLock->setStaleLockTime(0);

    if (m_ownerLock->tryLock(0)) {
        becomeFirstInstance();
        return;
    }
    if (m_ownerLock->error() == QLockFile::LockFailedError) {
        // A live instance holds the lock.
        m_running = true;
        if (!attachToRunningInstance())
            qCWarning(lcCore) << "the running instance has no shared segment";
        return;
    }
    // The lock file cannot be used here: fall back on the segment alone.
    qCWarning(lcCore) << "single-instance lock file unusable, error" << m_ownerLock->error();
    m_ownerLock.reset();
    if (m_memory->attach()) {
        m_running = true;
        return;
    }
    becomeFirstInstance();
}

QSingleApplication::~QSingleApplication()
{
    // Detach before the lock goes, so a new instance never sees the segment half released.
    if (m_memory->isAttached())
        m_memory->detach();
    m_ownerLock.reset();
}

bool QSingleApplication::isRunning() const
{
    return m_running;
}

bool QSingleApplication::attachToRunningInstance()
{
    for (int i = 0; i < attachAttempts; ++i) {
        if (m_memory->attach())
            return true;
        QThread::msleep(attachPauseMs);
    }
    return false;
}

void QSingleApplication::becomeFirstInstance()
{
    m_running = false;
    if (!m_memory->create(SegmentSize)) {
        // With the lock held, an existing segment is the leftover of an instance that
        // ended without detaching (killed or crashed): take it over.
        if (m_memory->error() != QSharedMemory::AlreadyExists || !m_memory->attach()) {
            qCWarning(lcCore) << "no single-instance guard:" << m_memory->errorString();
            return;
        }
        qCInfo(lcCore) << "took over the shared segment of an instance that did not end cleanly";
    }

    m_memory->lock();
    char *data = static_cast<char *>(m_memory->data());
    std::memset(data, 0, size_t(m_memory->size()));
    data[0] = '0';
    m_memory->unlock();

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &QSingleApplication::checkForMessage);
    timer->start(1000);
}

void QSingleApplication::checkForMessage()
{
    if (!m_memory->isAttached())
        return;
    QByteArray message;
    bool received = false;
    // One lock from reading to the reset, so a message written in between is not lost.
    m_memory->lock();
    char *data = static_cast<char *>(m_memory->data());
    const int size = m_memory->size();
    if (size > 0 && data[0] != '0') {
        message = QByteArray(data + 1, size - 1);
        const int end = message.indexOf('\0');
        if (end >= 0)
            message.truncate(end);
        data[0] = '0';
        received = true;
    }
    m_memory->unlock();
    if (received)
        emit messageAvailable(QString::fromUtf8(message));
}

bool QSingleApplication::sendMessage(const QString &message)
{
    if (!m_running || !m_memory->isAttached())
        return false;
    const int size = m_memory->size();
    if (size < 1)
        return false;
    // The text is cut so that its ending NUL still fits.
    QByteArray bytes = "1" + cutUtf8(message.toUtf8(), size - 2);
    bytes.append('\0');
    m_memory->lock();
    std::memcpy(m_memory->data(), bytes.constData(), size_t(qMin(bytes.size(), size)));
    m_memory->unlock();
    return true;
}
