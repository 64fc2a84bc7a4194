#pragma once

// The user's own settings file "config.ini" in the data location. Each routine opens the
// file, reads or writes its own keys and closes it, so the file is current on return.
// The file holds the password as typed, so it is kept readable and writable by its owner
// only. Every routine runs on the GUI thread.

#include <QString>

QString getUserConfigPath();

void loadProxyConfig();
void saveProxyConfig();

void loadOptionConfig();
void saveOptionConfig();

// Stores the folder and saves the options only when it differs from the stored one.
void setSaveDir(const QString &dir);

void setDataDir(const QString &dir);
void saveDataDirConfig();
void setNewDataDir(const QString &dir);
void saveNewDataDirConfig();

void loadUserConfig();
void saveUserConfig();
// Stores the three values; writes the account, password and host only for a non-empty account.
void setLoginUserInfo(const QString &account, const QString &password, const QString &userName);

void loadSystemExit();
void setSystemExit(int flag);
void saveSystemExit();

QString loadBulletinVersion();
void saveBulletinVersion(const QString &version);
