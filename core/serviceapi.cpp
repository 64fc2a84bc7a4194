#include "serviceapi.h"

#include "globalstate.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>

namespace {

// Linux and Windows both refuse longer names (bytes on Linux, UTF-16 units on Windows; UTF-8
// is never shorter).
constexpr int kMaxFileNameBytes = 255;

QString md5Hex(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

// The characters Windows refuses in a name (and "/", which every system does) become their
// full-width forms, so a name from the service can neither escape the folder nor fail.
QString fileNamePart(QString text)
{
    static const struct
    {
        QChar from;
        QChar to;
    } replacements[] = {
        {u':', u'：'}, {u'/', u'／'}, {u'\\', u'＼'}, {u'*', u'＊'}, {u'?', u'？'},
        {u'"', u'“'},  {u'<', u'＜'}, {u'>', u'＞'},  {u'|', u'｜'},
    };
    for (const auto &r : replacements)
        text.replace(r.from, r.to);
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text;
}

// The longest start of text whose UTF-8 form takes at most maxBytes, without splitting a
// surrogate pair.
QString leftUtf8(const QString &text, int maxBytes)
{
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size()
                          && text.at(i + 1).isLowSurrogate();
        const int units = pair ? 2 : 1;
        const int size = text.midRef(i, units).toUtf8().size();
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += units;
    }
    return text.left(i);
}

QString fillTemplate(const QString &format, const QString &institution, const QString &title,
                     const QString &publishDate)
{
    QString name = format;
    name.replace(QLatin1String("INS"), institution);
    name.replace(QLatin1String("TTL"), title);
    name.replace(QLatin1String("PUB"), publishDate);
    // A leading dot would hide the file or, as "..", name the parent folder.
    for (int i = 0; i < name.size() && name.at(i) == QLatin1Char('.'); ++i)
        name[i] = u'．';
    return name;
}

int utf8Size(const QString &text)
{
    return text.toUtf8().size();
}

} // namespace

QString getTestObjectUrl()
{
    return getObjectHost() + getObjectPathTst() + QLatin1String("/TST.DAT");
}

QString getIndexUrl()
{
    return getObjectHost() + getObjectPathDat() + QLatin1String("/IDX.DAT");
}

QString getUpgradeUrl()
{
    return getObjectHost() + getObjectPathDwn() + QLatin1Char('/') + getUpgradeFileName();
}

QString getDatUrl()
{
    return getObjectHost() + getObjectPathDat();
}

QString getDayUrl()
{
    return getObjectHost() + getObjectPathDay();
}

QString getVerifyApiUrl()
{
    return getServiceHostUrl() + getServiceApiVerify();
}

QString getFileApiUrl()
{
    return getServiceHostUrl() + getServiceApiFile();
}

QString getShareApiUrl()
{
    return getServiceHostUrl() + getServiceApiShare();
}

QString getInstApiUrl()
{
    return getServiceHostUrl() + getServiceApiInst();
}

QString getSubscribeApiUrl()
{
    return getServiceHostUrl() + getServiceApiSubscribe();
}

QString getFavoriteApiUrl()
{
    return getServiceHostUrl() + getServiceApiFavorite();
}

QString getBlockApiUrl()
{
    return getServiceHostUrl() + getServiceApiBlock();
}

QString getAnalystApiUrl()
{
    return getServiceHostUrl() + getServiceApiAnalyst();
}

QString getTimestamp()
{
    return QString::number(QDateTime::currentMSecsSinceEpoch());
}

QString getSignature(const QString &text)
{
    return md5Hex(text);
}

QString getSignedTimeQuery()
{
    const QString tms = getTimestamp();
    return QStringLiteral("tms=") + tms + QStringLiteral("&sgn=") + getSignature(tms);
}

QString getReportServiceQuery(const QString &id)
{
    return QStringLiteral("?ssn=") + getSessionId() + QStringLiteral("&id=") + id + QLatin1Char('&')
           + getSignedTimeQuery();
}

QString getPasswordDigest(const QString &password)
{
    return md5Hex(password);
}

bool containsSpecialChar(const QString &text)
{
    const QString special = getSpecialChars();
    for (const QChar c : text) {
        // A control character cannot be seen in a name, and a JSON string must not hold it raw.
        if (special.contains(c) || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

namespace {

bool makeCleanDirPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    // The parent of a root is the root itself: a missing root cannot be made.
    const QString parent = info.absolutePath();
    if (parent == path || info.fileName().isEmpty())
        return false;
    return makeCleanDirPath(parent) && QDir(parent).mkdir(info.fileName());
}

} // namespace

bool makeDirPath(const QFileInfo &path)
{
    if (path.filePath().isEmpty())
        return false;
    return makeCleanDirPath(QDir::cleanPath(path.absoluteFilePath()));
}

QString makeReportFileName(const QString &institution, const QString &title,
                           const QString &publishDate, const QString &extension)
{
    QString format = getFileFormat();
    if (format.isEmpty())
        format = QStringLiteral("INS-TTL-PUB");
    const QString ins = fileNamePart(institution);
    const QString pub = fileNamePart(publishDate);
    QString ttl = fileNamePart(title);
    QString suffix = QLatin1Char('.') + fileNamePart(extension).toLower();
    // Keep room for at least a few characters of the name itself.
    suffix = leftUtf8(suffix, kMaxFileNameBytes / 2);

    const int budget = kMaxFileNameBytes - utf8Size(suffix);
    QString name = fillTemplate(format, ins, ttl, pub);
    if (utf8Size(name) > budget && format.contains(QLatin1String("TTL"))) {
        // The longest start of the title that fits (the name grows with it, so halve the range).
        int low = 0;
        int high = ttl.size();
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            if (utf8Size(fillTemplate(format, ins, ttl.left(mid), pub)) <= budget)
                low = mid;
            else
                high = mid - 1;
        }
        if (low > 0 && ttl.at(low - 1).isHighSurrogate())
            --low;
        name = fillTemplate(format, ins, ttl.left(low), pub);
    }
    if (utf8Size(name) > budget)
        name = leftUtf8(name, budget);
    return name + suffix;
}

QString getLocalFileDirPath()
{
    return getDataDir() + QDir::separator() + getLocalFileDir();
}

QString getLocalFilePath(const QString &fileName)
{
    return getLocalFileDirPath() + QDir::separator() + fileName;
}
