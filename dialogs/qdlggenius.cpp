#include "qdlggenius.h"

#include "dialogform.h"
#include "keysbeforefocus.h"
#include "stockcache.h"
#include "stocklookup.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The keys the lookup acts on: a code typed fast after the key that opened the lookup must all
// reach it, and so must the Return or Escape that ends it.
QVector<int> lookupKeys()
{
    QVector<int> keys{Qt::Key_Escape, Qt::Key_Up,     Qt::Key_Down, Qt::Key_Backspace, Qt::Key_Return,
                      Qt::Key_Enter,  Qt::Key_Delete, Qt::Key_Left, Qt::Key_Right};
    for (int letter = Qt::Key_A; letter <= Qt::Key_Z; ++letter)
        keys << letter << (Qt::ShiftModifier | letter);
    for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit)
        keys << digit;
    return keys;
}

} // namespace

QDlgGenius::QDlgGenius(QWidget *parent)
    : QDialog(parent)
    , edtKeyword(new QLineEdit(this))
    , btnOK(new QPushButton(QStringLiteral("确定"), this))
    , lstStock(new QListWidget(this))
    , lblWaiting(new QLabel(QStringLiteral("股票列表尚未下载…"), lstStock->viewport()))
{
    setObjectName(QStringLiteral("QDlgGenius"));
    resize(174, 227);
    edtKeyword->setObjectName(QStringLiteral("edtKeyword"));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    lstStock->setObjectName(QStringLiteral("lstStock"));
    lblWaiting->setObjectName(QStringLiteral("lblWaiting"));
    lblWaiting->setWordWrap(true);
    // Greyed, so that it does not read as a row.
    lblWaiting->setEnabled(false);
    lblWaiting->hide();
    auto *hint = new QVBoxLayout(lstStock->viewport());
    hint->setContentsMargins(4, 4, 4, 4);
    hint->addWidget(lblWaiting, 0, Qt::AlignTop);
    initDialog(this, QStringLiteral("代码精灵"));

    // The edit's place sets the margins of the layout; its height that of the top row.
    edtKeyword->setGeometry(2, 2, 115, 27);
    edtKeyword->installEventFilter(this);
    connect(edtKeyword, &QLineEdit::textChanged, this, &QDlgGenius::keywordChanged);
    connect(edtKeyword, &QLineEdit::returnPressed, this, &QDlgGenius::accept);

    btnOK->resize(51, edtKeyword->height());
    btnOK->setAutoDefault(false);
    btnOK->setFocusPolicy(Qt::NoFocus);
    connect(btnOK, &QPushButton::clicked, this, &QDlgGenius::accept);

    lstStock->move(edtKeyword->x(), edtKeyword->geometry().bottom() + 1 + edtKeyword->y());
    lstStock->setFocusPolicy(Qt::NoFocus);
    connect(lstStock, &QListWidget::doubleClicked, this, &QDlgGenius::accept);
    // The engine loads the cache on its own thread once it has stored the stocks; the dialog as
    // receiver has the notice queued to the GUI thread.
    connect(stockCacheNotice(), &StockCacheNotice::loaded, this, &QDlgGenius::stocksLoaded);
    edtKeyword->setFocus();
    (new KeysBeforeFocus(this, edtKeyword, lookupKeys()))->arm();
}

void QDlgGenius::setKeyword(const QString &text)
{
    edtKeyword->setText(text.toUpper());
}

// QDialog hands the edit its focus as if tabbed to, which selects the keyword: the next key typed
// would replace the one that opened the lookup. A Return kept for the stocks goes with the lookup,
// however it closes (Escape among them).
void QDlgGenius::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    if (visible)
        edtKeyword->deselect();
    else
        acceptWhenLoaded = false;
}

QString QDlgGenius::getSelectedStock() const
{
    return selectedCode;
}

// A keyword edited after a Return typed while waiting is no longer the one the Return was for.
void QDlgGenius::keywordChanged(const QString &keyword)
{
    acceptWhenLoaded = false;
    fillList(keyword);
}

void QDlgGenius::fillList(const QString &keyword)
{
    lstStock->clear();
    waiting = false;
    lblWaiting->hide();
    if (keyword.isEmpty()) {
        reject();
        return;
    }
    for (const StockMatch &stock : lookupStocks(keyword)) {
        auto *item = new QListWidgetItem(stock.code + QLatin1Char(' ') + stock.name, lstStock);
        item->setData(Qt::UserRole, stock.code);
    }
    // On a first login the lookup may open before the engine's first sync has brought any stock.
    waiting = lstStock->count() == 0 && stockTableEmpty();
    lblWaiting->setVisible(waiting);
    btnOK->setEnabled(lstStock->count() > 0);
    if (lstStock->count() > 0)
        lstStock->setCurrentRow(0);
}

// The notice comes with every load of the cache, also one made while T_Stock is still empty: a
// kept Return then waits on.
void QDlgGenius::stocksLoaded()
{
    if (!waiting)
        return;
    fillList(edtKeyword->text());
    if (acceptWhenLoaded)
        accept();
}

void QDlgGenius::accept()
{
    QListWidgetItem *item = lstStock->currentItem();
    if (lstStock->count() == 0 || !item) {
        // On a first login the code and its Return are often typed before the stocks arrive.
        acceptWhenLoaded = waiting;
        return;
    }
    selectedCode = item->data(Qt::UserRole).toString();
    QDialog::accept();
}

// Only key presses are filtered, so text from an input method (Chinese names) reaches the edit.
// Letters and digits are typed only while the keyword is empty or still matches something, or
// while there is no stock yet for it to match.
bool QDlgGenius::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const int code = key->key();
    const int row = lstStock->currentRow();
    const bool typing = edtKeyword->text().isEmpty() || lstStock->count() > 0 || waiting;
    switch (code) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Up:
        if (row > 0)
            lstStock->setCurrentRow(row - 1);
        return true;
    case Qt::Key_Down:
        if (row < lstStock->count() - 1)
            lstStock->setCurrentRow(row + 1);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return false;
    default:
        break;
    }
    if (code >= Qt::Key_A && code <= Qt::Key_Z && typing)
        edtKeyword->insert(key->text().toUpper());
    else if (code >= Qt::Key_0 && code <= Qt::Key_9 && typing)
        edtKeyword->insert(key->text());
    return true;
}

void QDlgGenius::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int m = edtKeyword->x();
    const int t = edtKeyword->y();
    btnOK->move(width() - btnOK->width() - m, t);
    edtKeyword->resize(btnOK->x() - 2 * m, edtKeyword->height());
    lstStock->resize(width() - 2 * m, height() - lstStock->y() - t);
}
