#pragma once

#include "jsonscript.h"

#include <QMdiSubWindow>
#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QCellLabel;
class QTableWidget;
class QToolButton;
class ListReadMarks;
class ReportPageStarts;
class ReportListRow;

// The research-report list: one page of T_Report for the list request the main window
// sends to showReportList, with a search bar, read marks, favourites and the drill-downs to
// an institution's or an analyst's reports. The main window keeps it for the whole run.
class QWinReportList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinReportList(QWidget *parent = nullptr);
    ~QWinReportList() override;

    // Writes the row's report to path (a copy of the local one, else a download into it,
    // after which the main window opens it there). False when nothing was started.
    bool saveReportTo(int row, const QString &path);

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showReportListOfInst(const QString &inst);
    void showReportListOfAnls(const QString &analystId);
    void showReportListOfSearch(const QString &titleKeyword, const QString &instKeyword,
                                const QString &analsKeyword, const QString &code, const QString &yearStart,
                                const QString &yearEnd);
    void disablePageNext();
    void disablePageLast();
    void openFile(const QString &rptID, const QString &localFilePath);
    void loadConcernedInstListOfSidebar();
    void loadFavoriteListOfSidebar();

public slots:
    void showReportList(const QString &request, int page);
    void showLastList();
    void markConcernedInst();
    void markFavoriteReport();
    void markBlockedStock();
    void onReportListClicked();
    void setReportAllReaded();
    void popMenuOfReportList(const QPoint &pos);
    void viewReport();
    void saveReport();
    void showReportOfInst();
    void showReportOfAnls(const QString &analystId);
    void searchReport();
    void addConcernedInst();
    void removeConcernedInst();
    void addReportToFav(bool checked);
    void newFav();
    void copyReportList();
    void switchAdvanceSearchBarVisible();
    void showAdvanceSearchBar();
    void hideAdvanceSearchBar();

private:
    QWidget *buildSearchBar();
    void buildTable();
    void buildMenu();
    void fillRow(const ReportListRow &row, int r, int page);
    // What the labels of a column keep on every page, given once when a label is made.
    std::function<void(QCellLabel *)> labelSetUp(int column);
    // The labels of a first page, made with the window: the page that first shows rows (the
    // newest reports as a sync brings them) then only fills them.
    void makeFirstPageLabels();
    int currentRow() const;
    QString rowReportId(int row) const;
    QString rowInst(int row) const;
    void refuse(QWidget *field, const QString &text);

    QTableWidget *tblReportList = nullptr;
    QMenu *mnuReportList = nullptr;
    QMenu *mnuFavorite = nullptr;
    QAction *actAddConcernedInst = nullptr;
    QAction *actRemoveConcernedInst = nullptr;
    QAction *actShowReportOfInst = nullptr;
    QAction *actNewFav = nullptr;
    QAction *actCopyReportList = nullptr;
    QString lastRequest;
    int lastPage = 0;
    QWidget *wgtAdvanceSearchBar = nullptr;
    QLineEdit *edtTitleKeyword = nullptr;
    QComboBox *cboReportCode = nullptr;
    QLineEdit *edtInstKeyword = nullptr;
    QLineEdit *edtAnalsKeyword = nullptr;
    QComboBox *cboYearStart = nullptr;
    QComboBox *cboYearEnd = nullptr;
    QToolButton *btnAdvanceSearch = nullptr;

    JsonScript m_json;
    std::unique_ptr<ListReadMarks> m_readMarks;
    std::unique_ptr<ReportPageStarts> m_pageStarts;
};
