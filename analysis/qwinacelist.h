#pragma once

#include "qwinanalysislist.h"

class QAction;
class QMenu;

// The analyst ranking window: per analyst the recommendations of the ranking year N and of
// N+1, with a letter mark of the short-term and the middle-term ability. Column 0 carries the
// analyst's uid; followed institutions are marked blue, followed analysts red. The rows open
// the analyst's ratings and the rankings of the row's institution and industry, and follow or
// unfollow the analyst and the institution. It leaves the current stock list alone.
class QWinAceList : public QWinAnalysisList
{
    Q_OBJECT

public:
    enum Column { ColAnalyst, ColInst, ColIndustry, ColYears };

    explicit QWinAceList(QWidget *parent = nullptr);

signals:
    void showAceListOfInst(const QString &institution);
    void showAceListOfInd(const QString &industry);
    // The analyst's newest Anl_ID, never empty.
    void showRatingListOfAnls(const QString &analystId);
    void loadConcernedInstListOfSidebar();
    void loadConcernedAnalystListOfSidebar();

public slots:
    void showAceList(const QString &request, int page);
    void markConcernedInst();
    void markConcernedAnalyst();

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order) override;
    void fillRow(int row, const ListRecord &record) override;
    void markRows() override;

private slots:
    void popMenuOfAceList(const QPoint &pos);
    void showRatingOfAnalyst();
    void showAceOfInst();
    void showAceOfInd();
    void addConcernedInst();
    void removeConcernedInst();
    void addConcernedAnalyst();
    void removeConcernedAnalyst();

private:
    void buildMenu();
    // The text of a label column of the current row; empty without a current row.
    QString currentLabelText(int column) const;

    QMenu *menu = nullptr;
    QAction *actInst = nullptr;
    QAction *actAddInst = nullptr;
    QAction *actRemoveInst = nullptr;
    QAction *actAnalyst = nullptr;
    QAction *actAddAnalyst = nullptr;
    QAction *actRemoveAnalyst = nullptr;
};
