#include "qdlgdisplay.h"
#include "ui_qdlgdisplay.h"

#include "globalstate.h"
#include "usersettings.h"

QDlgDisplay::QDlgDisplay(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgDisplay)
{
    ui->setupUi(this);
    init();
}

QDlgDisplay::~QDlgDisplay()
{
    delete ui;
}

void QDlgDisplay::init()
{
    setWindowTitle(QStringLiteral("显示设置"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    const QFont font = getAppFont();
    for (QWidget *w : {static_cast<QWidget *>(ui->lblPageSizeName), static_cast<QWidget *>(ui->lblPageSize),
                       static_cast<QWidget *>(ui->lblPageCountName), static_cast<QWidget *>(ui->lblPageCount),
                       static_cast<QWidget *>(ui->chkIncludeCompany), static_cast<QWidget *>(ui->btnOK),
                       static_cast<QWidget *>(ui->btnCancel)})
        w->setFont(font);

    // Connected before the ranges are set, so each label shows its slider's value from the start.
    connect(ui->sldPageSize, &QSlider::valueChanged, ui->lblPageSize, qOverload<int>(&QLabel::setNum));
    ui->sldPageSize->setRange(20, 200);
    ui->sldPageSize->setValue(getPageSize());
    ui->lblPageSize->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(ui->sldPageCount, &QSlider::valueChanged, ui->lblPageCount, qOverload<int>(&QLabel::setNum));
    ui->sldPageCount->setRange(0, 50);
    ui->sldPageCount->setValue(getPageCount());
    ui->lblPageCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ui->chkIncludeCompany->setChecked(getIncludeCompany() != 0);

    connect(ui->btnOK, &QPushButton::clicked, this, &QDlgDisplay::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDlgDisplay::reject);
}

void QDlgDisplay::accept()
{
    setPageSize(ui->sldPageSize->value());
    setPageCount(ui->sldPageCount->value());
    setIncludeCompany(ui->chkIncludeCompany->isChecked() ? 1 : 0);
    saveOptionConfig();
    QDialog::accept();
}
