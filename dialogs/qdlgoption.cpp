#include "qdlgoption.h"
#include "ui_qdlgoption.h"

#include "globalstate.h"
#include "userlists.h"
#include "usersettings.h"

#include <QListView>

namespace {

const QString kAlertInitial = QStringLiteral("RAT_ACT_INI");
const QString kAlertUpgrade = QStringLiteral("RAT_ACT_UPG");

void setAlert(const QString &kind, bool on)
{
    if (on)
        enableAlert(kind);
    else
        disableAlert(kind);
}

} // namespace

QDlgOption::QDlgOption(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgOption)
{
    ui->setupUi(this);
    init();
}

QDlgOption::~QDlgOption()
{
    delete ui;
}

void QDlgOption::init()
{
    setWindowTitle(QStringLiteral("首选项"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    const QFont font = getAppFont();
    for (QWidget *w : {static_cast<QWidget *>(ui->lblPDFReader), static_cast<QWidget *>(ui->radReaderDefault),
                       static_cast<QWidget *>(ui->radReaderSystem), static_cast<QWidget *>(ui->lblMessage),
                       static_cast<QWidget *>(ui->chkMessageShow), static_cast<QWidget *>(ui->lblAlert),
                       static_cast<QWidget *>(ui->chkAlertInitial), static_cast<QWidget *>(ui->chkAlertUpgrade),
                       static_cast<QWidget *>(ui->lblDataYear), static_cast<QWidget *>(ui->spnDataYear),
                       static_cast<QWidget *>(ui->lblFileFormat), static_cast<QWidget *>(ui->cboFileFormat),
                       static_cast<QWidget *>(ui->btnOK), static_cast<QWidget *>(ui->btnCancel)})
        w->setFont(font);

    if (getPdfReader() == 0)
        ui->radReaderDefault->setChecked(true);
    else
        ui->radReaderSystem->setChecked(true);
    ui->chkMessageShow->setChecked(getMessageShow() != 0);
    ui->chkAlertInitial->setChecked(isAlertEnabled(kAlertInitial));
    ui->chkAlertUpgrade->setChecked(isAlertEnabled(kAlertUpgrade));
    ui->spnDataYear->setValue(getDataYear());

    ui->cboFileFormat->setView(new QListView(ui->cboFileFormat));
    for (const QString &code : getFileFormatCodeList())
        ui->cboFileFormat->addItem(getFileFormatName(code), code);
    ui->cboFileFormat->setCurrentIndex(ui->cboFileFormat->findData(getFileFormat(), Qt::UserRole,
                                                                    Qt::MatchExactly | Qt::MatchCaseSensitive));

    connect(ui->btnOK, &QPushButton::clicked, this, &QDlgOption::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDlgOption::reject);
}

void QDlgOption::accept()
{
    setPdfReader(ui->radReaderDefault->isChecked() ? 0 : 1);
    setMessageShow(ui->chkMessageShow->isChecked() ? 1 : 0);
    setAlert(kAlertInitial, ui->chkAlertInitial->isChecked());
    setAlert(kAlertUpgrade, ui->chkAlertUpgrade->isChecked());
    setDataYear(ui->spnDataYear->value());
    // An empty format would map every report to one file name: keep the stored code instead.
    const QString format = ui->cboFileFormat->currentData().toString();
    if (!format.isEmpty())
        setFileFormat(format);
    saveOptionConfig();
    QDialog::accept();
}
