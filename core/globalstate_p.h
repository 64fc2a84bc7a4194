#pragma once

// Storage behind the accessors of globalstate.h, for the loaders and savers in core only.

#include <QString>
#include <QStringList>

namespace GlobalStatePrivate {

// Filled by loadDefaultConfig at start, before any other thread runs; fixed afterwards.
struct Config
{
    QString cnName, enName, version, build, platform;
    QString website, email, qq;
    QString apiVerify, apiFile, apiShare, apiInst, apiSubscribe, apiFavorite, apiBlock, apiAnalyst;
    QString registerUrl, passwordUrl, cardUrl, shareUrl;
    QString objectHost, pathDat, pathDay, pathDwn, pathTst;
    QString localFileDir, localDayDir;
    int ratingDays = 0, recommendDays = 0, maxOrderHistoryCount = 0;
    int performShort = 0, performMiddle = 0;
    QString osName, dataLocation, appDir;

    // [Option] values of the embedded file: the fallbacks of the user's options.
    int optionPageSize = 50, optionPageCount = 0, optionIncludeCompany = 1, optionDataYear = 0;
    QString optionFileFormat;

    // Parallel lists: an index into one is valid in its partner.
    QStringList hostNames, hostUrls;
    QStringList helpKeys, helpPages;
    QStringList orderIds, orderTexts;
    QStringList codeCodes, codeNames;
    QStringList formatCodes, formatNames;
};
Config &config();

// Values used on the GUI thread only.
struct Local
{
    QString saveDir, newDataDir;
    int pageSize = 0, pageCount = 0, includeCompany = 0, pdfReader = 0;
    QString fileFormat;
    QString account, password, userName;
    QString upgradeFileName;
    int listYear = 0, aceYear = 0;
    QString bulletinContent, webviewUrl;
    int exitFlag = 1;
};
Local &local();

// Items behind the shared lock that have no public setter of their own.
void storeDataDir(const QString &dir);
void storeProxyValues(int enable, const QString &host, int port, const QString &user,
                      const QString &password);

} // namespace GlobalStatePrivate
