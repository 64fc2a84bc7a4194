#pragma once

#include <QMdiSubWindow>

class QLabel;

// The analyst-ranking list window. Until its table is built it only shows the
// title of the list it was given, so the main window's dispatch and tabs work.
class QWinAceList : public QMdiSubWindow
{
    Q_OBJECT

public:
    explicit QWinAceList(QWidget *parent = nullptr);

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void showAceListOfInst(const QString &institution);
    void showAceListOfInd(const QString &industry);
    void showRatingListOfAnls(const QString &analystId);
    void loadConcernedInstListOfSidebar();
    void loadConcernedAnalystListOfSidebar();
    void disablePageAll();

public slots:
    void showAceList(const QString &request, int page);
    void showLastList();
    void markConcernedInst();
    void markConcernedAnalyst();

private:
    QLabel *lblTitle = nullptr;
    QString lastRequest;
    int lastPage = 0;
};
