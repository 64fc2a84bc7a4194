#pragma once

// Addresses of the service host and the object host, the signature of service requests, and
// the names and folders of downloaded report files. The URL builders join the configured parts
// as they are; an empty value gives a shorter URL.
//
// Threads: the URL builders, getTimestamp, getSignature and getLocalFileDirPath are also called
// on the update engine's thread; they read values fixed before it starts.

#include <QFileInfo>
#include <QString>

// Object host: ObjectHost/Host + an [ObjectPath] value (+ file name)
QString getTestObjectUrl(); // .../tst/TST.DAT
QString getIndexUrl();      // .../dat/IDX.DAT
QString getUpgradeUrl();    // .../dwn/<upgrade file name of the login reply>
QString getDatUrl();        // .../dat; callers append "/" + package name
QString getDayUrl();        // .../day; callers append the per-stock part

// Service host: the chosen [ServiceHost] URL + a [ServiceApi] path
QString getVerifyApiUrl();
QString getFileApiUrl();
QString getShareApiUrl();
QString getInstApiUrl();
QString getSubscribeApiUrl();
QString getFavoriteApiUrl();
QString getBlockApiUrl();
QString getAnalystApiUrl();

// Milliseconds since 1970-01-01 UTC as decimal text: the "tms" of a service request.
QString getTimestamp();
// Lower-case hex MD5 of the text's UTF-8 bytes: the "sgn" of a service request.
QString getSignature(const QString &text);
// "tms=<getTimestamp()>&sgn=<its signature>", the time taken once: the signed ending of every
// service request.
QString getSignedTimeQuery();
// "?ssn=<session id>&id=<id>&tms=...&sgn=...": the query of the report file and share requests.
QString getReportServiceQuery(const QString &id);
// The "pwd" of the login: the same digest of the password.
QString getPasswordDigest(const QString &password);

// True when the text holds any of the 31 characters of getSpecialChars() or a control character;
// false when empty. Names and keywords the user types are refused for it.
bool containsSpecialChar(const QString &text);

// Makes the directory and any missing parents. True when it exists as a directory afterwards;
// false when something on the way cannot be made, is a file, or the root is missing.
bool makeDirPath(const QFileInfo &path);

// The local name of a report file, from the template Option/FileFormat ("INS-TTL-PUB" or
// "PUB-INS-TTL"): "INS", "TTL" and "PUB" are replaced in that order by the institution, the title
// and the publish date, then "." and the extension in lower case are appended. Characters a file
// name cannot hold (: / \ * ? " < > |) become their full-width forms in every part, control
// characters become blanks, a leading dot becomes a full-width one, and the title (then, if
// need be, the rest) is shortened so the name fits 255 UTF-8 bytes.
QString makeReportFileName(const QString &institution, const QString &title,
                           const QString &publishDate, const QString &extension);

// The folder of downloaded report files (data directory + LocalDir/File) and a file in it.
QString getLocalFileDirPath();
QString getLocalFilePath(const QString &fileName);
