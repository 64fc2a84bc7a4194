#include "defaultconfig.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgabout.h"
#include "qdlganalyst.h"
#include "qdlgdisplay.h"
#include "qdlgoption.h"
#include "testfiles.h"
#include "usersettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QString stored(const QString &key)
{
    return iniValue(getUserConfigPath(), key);
}

void storeOptions(const QList<QPair<QString, QVariant>> &values)
{
    QFile::remove(getUserConfigPath());
    {
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        for (const auto &value : values)
            settings.setValue(value.first, value.second);
    }
    loadOptionConfig();
}

// Chooses a folder in the next folder dialog, or cancels it when the path is empty.
void answerFolderDialog(const QString &path)
{
    QTimer::singleShot(50, [path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { loadDefaultConfig(); }

    // Stored option -> what the dialog shows -> what OK stores.
    void optionValuesAreClampedAndWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("afterOk");
        QTest::newRow("reader 2 is the system's") << "Option/PdfReader" << QVariant(2) << "1";
        QTest::newRow("reader 0 is our own") << "Option/PdfReader" << QVariant(0) << "0";
        QTest::newRow("message 5 is on") << "Option/MessageShow" << QVariant(5) << "1";
        QTest::newRow("message 0 is off") << "Option/MessageShow" << QVariant(0) << "0";
        QTest::newRow("year above the range") << "Option/DataYear" << QVariant(2016) << "2014";
        QTest::newRow("year below the range") << "Option/DataYear" << QVariant(2005) << "2009";
        QTest::newRow("second format") << "Option/FileFormat" << QVariant("PUB-INS-TTL") << "PUB-INS-TTL";
        // No entry selected: keep the stored code rather than an empty format.
        QTest::newRow("unknown format kept") << "Option/FileFormat" << QVariant("XYZ") << "XYZ";
        QTest::newRow("alert kinds kept") << "Option/Alert" << QVariant("OTHER,RAT_ACT_UPG") << "OTHER,RAT_ACT_UPG";
    }

    void optionValuesAreClampedAndWritten()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, afterOk);
        storeOptions({{key, value}});
        QPointer<QDlgOption> dialog = new QDlgOption(nullptr);
        if (key == "Option/FileFormat" && afterOk == "XYZ")
            QCOMPARE(child<QComboBox>(dialog, "cboFileFormat")->currentIndex(), -1);
        child<QPushButton>(dialog, "btnOK")->click();
        QTRY_VERIFY(dialog.isNull()); // deleted on close
        QCOMPARE(stored(key), afterOk);
    }

    void alertKindsFollowTheBoxes_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("upgrade");
        QTest::addColumn<QString>("after");
        QTest::newRow("both ticked, new kind appended") << "RAT_ACT_UPG" << true << true << "RAT_ACT_UPG,RAT_ACT_INI";
        QTest::newRow("both cleared") << "RAT_ACT_UPG,RAT_ACT_INI" << false << false << "";
        QTest::newRow("others survive") << "X,RAT_ACT_INI,Y" << false << true << "X,Y,RAT_ACT_UPG";
    }

    void alertKindsFollowTheBoxes()
    {
        QFETCH(QString, before);
        QFETCH(bool, initial);
        QFETCH(bool, upgrade);
        QFETCH(QString, after);
        storeOptions({{"Option/Alert", before}});
        auto *dialog = new QDlgOption(nullptr);
        QCOMPARE(child<QCheckBox>(dialog, "chkAlertInitial")->isChecked(), before.contains("RAT_ACT_INI"));
        child<QCheckBox>(dialog, "chkAlertInitial")->setChecked(initial);
        child<QCheckBox>(dialog, "chkAlertUpgrade")->setChecked(upgrade);
        child<QPushButton>(dialog, "btnOK")->click();
        QCOMPARE(stored("Option/Alert"), after);
        QCOMPARE(getAlertKinds().join(','), after);
    }

    void displayValuesAreClampedAndShown_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("pageCount");
        QTest::addColumn<QString>("sizeShown");
        QTest::addColumn<QString>("countShown");
        QTest::newRow("below the ranges") << 10 << 0 << "20" << "0";
        QTest::newRow("above the ranges") << 500 << 80 << "200" << "50";
        QTest::newRow("inside") << 100 << 7 << "100" << "7";
    }

    void displayValuesAreClampedAndShown()
    {
        QFETCH(int, pageSize);
        QFETCH(int, pageCount);
        QFETCH(QString, sizeShown);
        QFETCH(QString, countShown);
        storeOptions({{"Option/PageSize", pageSize}, {"Option/PageCount", pageCount}, {"Option/IncludeCompany", 3}});
        auto *dialog = new QDlgDisplay(nullptr);
        QCOMPARE(child<QLabel>(dialog, "lblPageSize")->text(), sizeShown);
        QCOMPARE(child<QLabel>(dialog, "lblPageCount")->text(), countShown);
        QVERIFY(child<QCheckBox>(dialog, "chkIncludeCompany")->isChecked());
        child<QPushButton>(dialog, "btnOK")->click();
        QCOMPARE(QStringList({stored("Option/PageSize"), stored("Option/PageCount"), stored("Option/IncludeCompany")}),
                 QStringList({sizeShown, countShown, "1"}));
        QCOMPARE(getPageSize(), sizeShown.toInt());
    }

    void cancelChangesNothing()
    {
        storeOptions({{"Option/PageSize", 50}, {"Option/PdfReader", 0}, {"Option/Alert", "RAT_ACT_INI"}});
        const QByteArray before = readFile(getUserConfigPath());

        QPointer<QDlgDisplay> display = new QDlgDisplay(nullptr);
        child<QSlider>(display, "sldPageSize")->setValue(150);
        QCOMPARE(child<QLabel>(display, "lblPageSize")->text(), QString("150"));
        child<QPushButton>(display, "btnCancel")->click();
        QTRY_VERIFY(display.isNull());

        QPointer<QDlgOption> option = new QDlgOption(nullptr);
        child<QRadioButton>(option, "radReaderSystem")->setChecked(true);
        child<QCheckBox>(option, "chkAlertInitial")->setChecked(false);
        child<QPushButton>(option, "btnCancel")->click();
        QTRY_VERIFY(option.isNull());

        QCOMPARE(getPageSize(), 50);
        QCOMPARE(getPdfReader(), 0);
        QVERIFY(isAlertEnabled("RAT_ACT_INI"));
        QCOMPARE(readFile(getUserConfigPath()), before);
    }

    void aboutTexts()
    {
        QTemporaryDir dir;
        const QString dataDir = dir.path() + "/数据 <a>&'x";
        QVERIFY(QDir().mkpath(dataDir));
        storeOptions({{"Option/DataDir", dataDir}});
        QCOMPARE(getDataDir(), dataDir);
        auto *about = new QDlgAbout(nullptr);
        QCOMPARE(child<QLabel>(about, "lblSoftware")->text(),
                 "<font size='5'>" + getCnName() + "</font> 2017.01 (Build:20170109）");
        QLabel *location = child<QLabel>(about, "lblAppDataLocation");
        // The link opens the folder itself; the text shows the path, not markup.
        QTextDocument shown;
        shown.setHtml(location->text());
        QCOMPARE(shown.toPlainText(), dataDir);
        const QString href = shown.begin().begin().fragment().charFormat().anchorHref();
        QCOMPARE(QUrl(href).toLocalFile(), dataDir);
        QCOMPARE(child<QLabel>(about, "lblWebsite")->text(),
                 "<a href='http://" + getWebsite() + "'>http://" + getWebsite() + "</a>");
        QCOMPARE(child<QLabel>(about, "lblPlatform")->text(), getPlatform());
        delete about;
    }

    void aboutChoosesTheNextDataDirectory()
    {
        QTemporaryDir dir;
        const QString current = dir.path() + "/current", first = dir.path() + "/第一", second = dir.path() + "/Second";
        for (const QString &path : {current, first, second})
            QVERIFY(QDir().mkpath(path));
        storeOptions({{"Option/DataDir", current}});
        auto *about = new QDlgAbout(nullptr);
        QLabel *tip = child<QLabel>(about, "lblAppDataLocationTip");
        ModalWatcher boxes;

        answerFolderDialog(QString()); // cancelled
        emit tip->linkActivated("setAppDataLocation");
        answerFolderDialog(current); // the current one
        emit tip->linkActivated("setAppDataLocation");
        QCOMPARE(stored("Option/NewDataDir"), QString("<missing>"));

        answerFolderDialog(first);
        emit tip->linkActivated("setAppDataLocation");
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QString("数据目录在程序重启后生效"));
        QCOMPARE(stored("Option/NewDataDir"), first);

        answerFolderDialog(current); // does not withdraw the earlier choice
        emit tip->linkActivated("setAppDataLocation");
        answerFolderDialog(second);
        emit tip->linkActivated("setAppDataLocation");
        QTRY_COMPARE(boxes.count(), 2);
        QCOMPARE(stored("Option/NewDataDir"), second);
        QCOMPARE(getDataDir(), current);
        delete about;
    }

    void analystLinks_data()
    {
        QTest::addColumn<QString>("anls");
        QTest::addColumn<QString>("links");
        const QString a = "<a style='color:black;' href='%1'>%2</a>";
        QTest::newRow("two") << "张三[1001],李四[1002]" << a.arg("1001", "张三") + " , " + a.arg("1002", "李四");
        QTest::newRow("no brackets") << "王五" << a.arg("", "王五");
        QTest::newRow("empty brackets") << "王五[]" << a.arg("", "王五");
        QTest::newRow("empty parts") << ",张三[1],,李四[2]," << a.arg("1", "张三") + " , " + a.arg("2", "李四");
        QTest::newRow("two names, no comma") << "张三[1]李四[2]" << a.arg("1", "张三");
        QTest::newRow("no closing bracket") << "张三[12" << a.arg("12", "张三");
        QTest::newRow("closing before opening") << "张]三[12" << a.arg("12", "张]三");
    }

    void analystLinks()
    {
        QFETCH(QString, anls);
        QFETCH(QString, links);
        QCOMPARE(QDlgAnalyst::analystLinks(anls), links);
    }

    void awardTable()
    {
        QDlgAnalyst dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("2016新财富最佳分析师"));
        const QString bar = child<QLabel>(&dialog, "LblYear")->text();
        QCOMPARE(bar.count("<a "), 5);
        QVERIFY(bar.startsWith("<a href='2012'>2012</a>&nbsp;<a href='2013'>"));
        QVERIFY(bar.endsWith("<a href='2016'>2016</a>"));

        auto *table = child<QTableWidget>(&dialog, "TblAnalystList");
        emit child<QLabel>(&dialog, "LblYear")->linkActivated("2012");
        QCOMPARE(dialog.windowTitle(), QString("2012新财富最佳分析师"));
        const int rows = table->rowCount();
        // 2012's first category has three institutions, its third five; medal 4 is a number.
        QCOMPARE(table->item(0, 0)->text(), QString("宏观经济"));
        QCOMPARE(table->rowSpan(0, 0), 3);
        QCOMPARE(table->item(3, 0)->text(), QString("策略研究"));
        QCOMPARE(table->rowSpan(6, 0), 5);
        QVERIFY(!qobject_cast<QLabel *>(table->cellWidget(0, 1))->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(qobject_cast<QLabel *>(table->cellWidget(9, 1))->text(), QString("4"));
        QCOMPARE(qobject_cast<QLabel *>(table->cellWidget(9, 2))->text(), QString("中信证券"));

        QSignalSpy analysts(&dialog, &QDlgAnalyst::showReportListOfAnls);
        emit qobject_cast<QLabel *>(table->cellWidget(0, 3))->linkActivated("1001");
        QCOMPARE(analysts.value(0).value(0).toString(), QString("1001"));

        dialog.showAnalyst("2012");
        QCOMPARE(table->rowCount(), rows);
        dialog.showAnalyst("1999");
        QCOMPARE(table->rowCount(), 0);
        QCOMPARE(dialog.windowTitle(), QString("1999新财富最佳分析师"));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
