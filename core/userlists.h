#pragma once

// The user's own lists: concerned institutions and analysts, portfolio, masked institutions, alert
// kinds, stock blocks, favourite folders and report subscriptions.
//
// The GUI thread edits them; the update engine's thread reads the stamps, builds the upload bodies
// and clears the stamps. One lock guards the whole store and every function below holds it for its
// whole run, so each call sees and leaves the store whole.
//
// Every list that is uploaded has a modified stamp, milliseconds since the epoch: 0 when there is
// nothing to upload, otherwise the time of the last change not yet uploaded. Comma lists are read with
// empty parts skipped; names and items compare case-sensitively; an operation by name reaches the
// first entry of that name. The current stock list lives in globalstate.h.

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Modified stamps. Each clear sets its stamp to 0 only when mdf >= the stamp, so a list changed again
// after its upload began keeps the newer stamp and is uploaded again.
qint64 getConcernedInstModified();
void clearConcernedInstModified(qint64 mdf);
qint64 getConcernedAnalystModified();
void clearConcernedAnalystModified(qint64 mdf);
qint64 getReportSubscribeModified();
void clearReportSubscribeModified(qint64 mdf);
qint64 getReportFavoriteModified();
void clearReportFavoriteModified(qint64 mdf);
qint64 getStockBlockModified();
void clearStockBlockModified(qint64 mdf);
qint64 getPortfolioModified();
void clearPortfolioModified(qint64 mdf);
void touchStockBlockModified();

// Concerned institutions (names). The setter replaces the list by the items of a comma text; an empty
// text changes nothing. getConcernedInstList orders by pinyin initials; the stored order stays.
bool addToConcernedInstList(const QString &name);
bool removeFromConcernedInstList(const QString &name);
bool isConcernedInst(const QString &name);
QStringList getConcernedInstList();
void setConcernedInstList(const QString &text, bool stamp);

// Concerned analysts (analyst uids, Anl_UID), in stored order.
bool addToConcernedAnalystList(const QString &uid);
bool removeFromConcernedAnalystList(const QString &uid);
bool isConcernedAnalyst(const QString &uid);
QStringList getConcernedAnalystList();
void setConcernedAnalystList(const QString &text, bool stamp);

// Portfolio (stock codes; sorted after each add, never uploaded).
bool addToPortfolioList(const QString &code);
bool removeFromPortfolioList(const QString &code);
QStringList getPortfolioList();
void setPortfolioList(const QString &text, bool stamp);

// Masked institutions; an empty text empties the list.
void setMaskedInstList(const QString &text);
QStringList getMaskedInstList();

// Alert kinds ("RAT_ACT_INI", "RAT_ACT_UPG"), kept by getAlertKinds/setAlertKinds of globalstate.h.
void enableAlert(const QString &kind);
void disableAlert(const QString &kind);

// Report subscriptions: name and the percent-encoded subscription content, kept as given.
bool addSubscribe(const QString &name, const QString &content, bool stamp);
bool setSubscribeContent(const QString &name, const QString &content, bool stamp);
QString getSubscribeContent(const QString &name);
bool changeSubscribeName(const QString &oldName, const QString &newName);
bool deleteSubscribe(const QString &name);
QStringList getSubscribeNameList();

// Favourite folders: name and report ids joined by ",". Adding to an unknown folder creates it with
// ids as its value (even an empty one); adding to a known folder appends ids as one item unless it is
// empty or already there.
bool addFavoriteReport(const QString &name, const QString &ids, bool stamp);
bool removeFavoriteReport(const QString &name, const QString &id);
bool isFavoriteReport(const QString &name, const QString &id); // an empty name tests every folder
QStringList getFavoriteReportIds(const QString &name);
bool changeFavoriteName(const QString &oldName, const QString &newName);
bool deleteFavorite(const QString &name);
QStringList getFavoriteNameList();

// Stock blocks: name and stock codes joined by ","; the same rules as the favourite folders.
bool addBlockStock(const QString &name, const QString &codes, bool stamp);
bool removeBlockStock(const QString &name, const QString &code, bool stamp);
bool isStockOfBlock(const QString &name, const QString &code);
bool isBlockedStock(const QString &code); // the code is in any block
bool changeBlockName(const QString &oldName, const QString &newName);
bool deleteBlock(const QString &name);
QStringList getBlockNameList();

// Upload bodies. Favourites, blocks and subscriptions give a JSON array of {"nam":"…","lst":"…"}
// (subscriptions: "cnt" for "lst") in stored order, the name percent-encoded, "[]" when empty.
// Institutions and analysts give their list joined by ",", empty when empty.
QString buildFavoriteUploadText();
QString buildBlockUploadText();
QString buildSubscribeUploadText();
QString buildConcernedInstUploadText();
QString buildConcernedAnalystUploadText();
