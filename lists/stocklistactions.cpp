#include "stocklistactions.h"

#include "serviceapi.h"
#include "stockcache.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

QString askNewBlockName(QWidget *parent)
{
    bool ok = false;
    const QString name = QInputDialog::getText(parent, QStringLiteral("自定义板块"), QStringLiteral("请输入板块名"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok)
        return QString();
    if (name.isEmpty()) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("请填写板块名!"), QMessageBox::Ok);
        return QString();
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("板块名含有不恰当字符!"), QMessageBox::Ok);
        return QString();
    }
    return name;
}

void copyStockListToClipboard(QWidget *parent, const QStringList &codes)
{
    QString text;
    for (const QString &code : codes)
        text += code + QLatin1Char(' ') + getStockName(code) + QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    QMessageBox::information(parent, QStringLiteral("注意"), QStringLiteral("股票名单已复制到剪贴板"), QMessageBox::Ok);
}
