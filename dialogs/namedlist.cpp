#include "namedlist.h"

#include "dialogform.h"
#include "serviceapi.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {

// The text typed at the name prompt, trimmed; ok false when the user cancelled.
QString promptName(QWidget *parent, const NamedListKind &kind, bool rename, const QString &initial, bool *ok)
{
    const QString title = (rename ? QStringLiteral("重命名") : QStringLiteral("新建")) + kind.noun;
    const QString label = (rename ? QStringLiteral("请输入新的") : QStringLiteral("请输入")) + kind.nameWord;
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, ok).trimmed();
}

bool isProperName(QWidget *parent, const NamedListKind &kind, const QString &name)
{
    if (name.isEmpty()) {
        showBox(parent, QMessageBox::Critical, QStringLiteral("错误"), QStringLiteral("请填写") + kind.nameWord + QLatin1Char('!'));
        return false;
    }
    if (containsSpecialChar(name)) {
        showBox(parent, QMessageBox::Critical, QStringLiteral("错误"), kind.nameWord + QStringLiteral("含有不恰当字符!"));
        return false;
    }
    return true;
}

void tellNameTaken(QWidget *parent, const NamedListKind &kind)
{
    showBox(parent, QMessageBox::Critical, QStringLiteral("错误"), kind.nameWord + QStringLiteral("已存在!"));
}

} // namespace

QString askListName(QWidget *parent, const NamedListKind &kind, bool rename)
{
    bool ok = false;
    const QString name = promptName(parent, kind, rename, QString(), &ok);
    return ok && isProperName(parent, kind, name) ? name : QString();
}

QString askNewListName(QWidget *parent, const NamedListKind &kind)
{
    QString name;
    for (;;) {
        bool ok = false;
        name = promptName(parent, kind, false, name, &ok);
        if (!ok)
            return QString();
        if (!isProperName(parent, kind, name))
            continue;
        if (!kind.names().contains(name))
            return name;
        tellNameTaken(parent, kind);
    }
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
    if (newName != oldName && kind.names().contains(newName)) {
        tellNameTaken(parent, kind);
        return false;
    }
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
    if (showBox(parent, QMessageBox::Question, QStringLiteral("确认"), question, QMessageBox::Yes | QMessageBox::No,
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
