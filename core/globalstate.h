#pragma once

// The program-wide state: settings, paths, session values, configuration tables and
// colours, reached only through these free functions.
//
// Threads: everything is written on the GUI thread. The update engine's thread may read
// the session id, the proxy, the alert kinds, the message-window option, the data year,
// the data directory, the host index and the current stock list while the GUI thread
// changes them; those items sit behind one lock, so each read returns a whole value.
// The rest is filled at start, before the engine's thread exists, and stays fixed or is
// used on the GUI thread only.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

// Product and contact (embedded configuration)
QString getCnName();
QString getEnName();
QString getVersion();
QString getBuild();
QString getPlatform();
QString getWebsite();
QString getEmail();
QString getQQ();

// Service pages
QString getRegisterUrl();
QString getPasswordUrl();
QString getCardUrl();
QString getShareUrl();

// Raw service API paths and object-host values; the URL builders join them to a host.
QString getServiceApiVerify();
QString getServiceApiFile();
QString getServiceApiShare();
QString getServiceApiInst();
QString getServiceApiSubscribe();
QString getServiceApiFavorite();
QString getServiceApiBlock();
QString getServiceApiAnalyst();
QString getObjectHost();
QString getObjectPathDat();
QString getObjectPathDay();
QString getObjectPathDwn();
QString getObjectPathTst();

// Local folder names under the data directory
QString getLocalFileDir();
QString getLocalDayDir();

// Fixed options of the embedded configuration
int getRatingDays();
int getRecommendDays();
int getMaxOrderHistoryCount();
int getPerformShort();
int getPerformMiddle();

// Platform
QString getOsName();
QString getDataLocation();
QString getAppDir();

// Directories. setDataDir and setNewDataDir also write the user's settings file
// (declared in usersettings.h).
QString getDataDir();
QString getNewDataDir();
QString getSaveDir();

// User options
int getPageSize();
void setPageSize(int size);
int getPageCount();
void setPageCount(int count);
int getIncludeCompany();
void setIncludeCompany(int include);
int getPdfReader();
void setPdfReader(int reader);
int getMessageShow();
void setMessageShow(int show);
int getDataYear();
void setDataYear(int year);
QString getFileFormat();
void setFileFormat(const QString &format);

// Alert kinds ("RAT_ACT_INI", "RAT_ACT_UPG"), case-sensitive
bool isAlertEnabled(const QString &kind);
QStringList getAlertKinds();
void setAlertKinds(const QStringList &kinds);

// Proxy. Neither setter writes the file; saveProxyConfig does.
int getProxyEnable();
QString getProxyHost();
int getProxyPort();
QString getProxyUser();
QString getProxyPassword();
void setProxy(const QString &host, int port, const QString &user, const QString &password);
void disableProxy();

// Login and session
QString getAccount();
QString getPassword();
QString getUserName();
QString getSessionId();
void setSessionId(const QString &sessionId);
int getHostIndex();
void setHostIndex(int index);
QString getServiceHostName();
QString getServiceHostUrl();
QStringList getServiceHostNameList();

// Values of the login reply
QString getUpgradeFileName();
void setUpgradeFileName(const QString &fileName);
int getListYear();
void setListYear(int year);
int getAceYear();
void setAceYear(int year);
QString getBulletinContent();
void setBulletinContent(const QString &content);
QString getWebviewUrl();
void setWebviewUrl(const QString &url);

// System/Exit of the user's file; setSystemExit is in usersettings.h
int getExitFlag();

// Fonts and colours (GUI thread)
QFont getAppFont();
void setAppFont(const QFont &font);
QColor getBaseColor();
QColor getAlternateBaseColor();
QColor getSortColumnColor();

// The 31 ASCII characters refused in names and keywords, tilde first, apostrophe last.
QString getSpecialChars();

// Configuration tables
QString getOrderJson(const QString &listId);
QStringList getReportCodeList();
QString getReportCodeName(const QString &code);
QStringList getFileFormatCodeList();
QString getFileFormatName(const QString &code);
QString getHelpUrl(const QString &key);

// The stock codes of the list window that filled last (previous/next stock of the chart)
QStringList getCurrentStockList();
void setCurrentStockList(const QStringList &codes);
void clearCurrentStockList();
