#include "namedlist.h"

#include "dialogform.h"
#include "serviceapi.h"

#include <QInputDialog>
#include <QMessageBox>

QString askListName(QWidget *parent, const NamedListKind &kind, bool rename)
{
    bool ok = false;
    const QString title = (rename ? QStringLiteral("重命名") : QStringLiteral("新建")) + kind.noun;
    const QString label = (rename ? QStringLiteral("请输入新的") : QStringLiteral("请输入")) + kind.nameWord;
    const QString name = QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), &ok).trimmed();
    if (!ok)
        return QString();
    if (name.isEmpty()) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("请填写") + kind.nameWord + QLatin1Char('!'),
                              QMessageBox::Ok);
        return QString();
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(parent, QStringLiteral("错误"), kind.nameWord + QStringLiteral("含有不恰当字符!"),
                              QMessageBox::Ok);
        return QString();
    }
    return name;
}

bool renameCurrentEntry(QWidget *parent, QListWidget *list, const NamedListKind &kind)
{
    QListWidgetItem *item = currentItemOrTell(parent, list, QStringLiteral("请选择重命名的") + kind.noun);
    if (!item)
        return false;
    const QString oldName = item->text();
    const QString newName = askListName(parent, kind, true);
    if (newName.isEmpty())
        return false;
    if (newName != oldName && kind.names().contains(newName))
        return false;
    return kind.rename(oldName, newName);
}

bool removeCurrentEntry(QWidget *parent, QListWidget *list, const NamedListKind &kind)
{
    QListWidgetItem *item = currentItemOrTell(parent, list, QStringLiteral("请选择删除的") + kind.noun);
    if (!item)
        return false;
    const QString name = item->text();
    const QString question = QStringLiteral("您确定要删除") + kind.noun + QLatin1Char('\'') + name
                             + QStringLiteral("'吗?(删除后无法恢复)");
    if (QMessageBox::question(parent, QStringLiteral("确认"), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes)
        != QMessageBox::Yes)
        return false;
    return kind.remove(name);
}

void fillNameList(QListWidget *list, const NamedListKind &kind)
{
    list->clear();
    list->addItems(kind.names());
}
