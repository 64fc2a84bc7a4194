// Preferences and display settings (stored values, OK and Cancel), the about box (the data-folder
// link and the next data folder) and the award table.

#include "dialogtest.h"
#include "globalstate.h"
#include "qdlgabout.h"
#include "qdlganalyst.h"
#include "qdlgdisplay.h"
#include "qdlgoption.h"
#include "testfiles.h"
#include "usersettings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextDocument>

namespace {

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

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { loadDefaultConfig(); }

    // Stored option -> what OK stores after the dialog showed it.
    void valuesAreClampedAndWritten_data()
    {
        QTest::addColumn<bool>("display"); // else preferences
        QTest::addColumn<QString>("key"); // then the alert boxes ticked or cleared before OK
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("afterOk");
        QTest::newRow("reader 2 is the system's") << false << "PdfReader" << QVariant(2) << "1";
        QTest::newRow("reader 0 is our own") << false << "PdfReader" << QVariant(0) << "0";
        QTest::newRow("message 5 is on") << false << "MessageShow" << QVariant(5) << "1";
        QTest::newRow("message 0 is off") << false << "MessageShow" << QVariant(0) << "0";
        QTest::newRow("year above the range") << false << "DataYear" << QVariant(2016) << "2014";
        QTest::newRow("year below the range") << false << "DataYear" << QVariant(2005) << "2009";
        QTest::newRow("second format") << false << "FileFormat" << QVariant("PUB-INS-TTL") << "PUB-INS-TTL";
        // No entry selected: keep the stored code rather than an empty format.
        QTest::newRow("unknown format kept") << false << "FileFormat" << QVariant("XYZ") << "XYZ";
        QTest::newRow("alert kinds kept") << false << "Alert" << QVariant("OTHER,RAT_ACT_UPG") << "OTHER,RAT_ACT_UPG";
        QTest::newRow("alerts ticked, new kind appended") << false << "Alert +Initial +Upgrade" << QVariant("RAT_ACT_UPG")
                                                          << "RAT_ACT_UPG,RAT_ACT_INI";
        QTest::newRow("alerts cleared") << false << "Alert -Initial -Upgrade" << QVariant("RAT_ACT_UPG,RAT_ACT_INI") << "";
        QTest::newRow("other kinds survive") << false << "Alert -Initial +Upgrade" << QVariant("X,RAT_ACT_INI,Y") << "X,Y,RAT_ACT_UPG";
        QTest::newRow("page size below the range") << true << "PageSize" << QVariant(10) << "20";
        QTest::newRow("page size above the range") << true << "PageSize" << QVariant(500) << "200";
        QTest::newRow("page count above the range") << true << "PageCount" << QVariant(80) << "50";
        QTest::newRow("companies 3 is on") << true << "IncludeCompany" << QVariant(3) << "1";
    }

    void valuesAreClampedAndWritten()
    {
        QFETCH(bool, display);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, afterOk);
        const QString option = "Option/" + key.section(' ', 0, 0);
        storeOptions({{option, value}});
        QDialog *dialog = display ? static_cast<QDialog *>(new QDlgDisplay(nullptr)) : new QDlgOption(nullptr);
        for (const QString &tick : key.split(' ').mid(1)) // "+Box" ticks chkAlertBox, "-Box" clears it
            child<QCheckBox>(dialog, qPrintable("chkAlert" + tick.mid(1)))->setChecked(tick.startsWith('+'));
        click(dialog, "btnOK"); // deletes itself on close
        QCOMPARE(stored(option), afterOk);
        if (option == "Option/Alert")
            QCOMPARE(getAlertKinds().join(','), afterOk);
        if (key == "PageSize")
            QCOMPARE(getPageSize(), afterOk.toInt());
    }

    void cancelChangesNothing()
    {
        storeOptions({{"Option/PageSize", 50}, {"Option/PdfReader", 0}, {"Option/Alert", "RAT_ACT_INI"}});
        const QByteArray before = readFile(getUserConfigPath());
        auto *display = new QDlgDisplay(nullptr);
        child<QSlider>(display, "sldPageSize")->setValue(150);
        click(display, "btnCancel");
        auto *option = new QDlgOption(nullptr);
        child<QRadioButton>(option, "radReaderSystem")->setChecked(true);
        child<QCheckBox>(option, "chkAlertInitial")->setChecked(false);
        click(option, "btnCancel");
        QVERIFY(getPageSize() == 50 && getPdfReader() == 0 && isAlertEnabled("RAT_ACT_INI"));
        QCOMPARE(readFile(getUserConfigPath()), before);
    }

    // The program's name, version and build, its website as a link, its platform as text.
    void aboutTexts()
    {
        std::unique_ptr<QDlgAbout> about(new QDlgAbout(nullptr));
        QCOMPARE(child<QLabel>(about.get(), "lblSoftware")->text(),
                 "<font size='5'>" + getCnName() + "</font> 2017.01 (Build:20170109）");
        QCOMPARE(child<QLabel>(about.get(), "lblWebsite")->text(),
                 "<a href='http://" + getWebsite() + "'>http://" + getWebsite() + "</a>");
        QCOMPARE(child<QLabel>(about.get(), "lblPlatform")->text(), getPlatform());
    }

    // The data folder shown as a link to the folder itself, its path as text, not markup. A folder
    // chosen waits for the next start; cancelling or choosing the current one withdraws nothing.
    void aboutDataDirectory()
    {
        QTemporaryDir dir;
        const QString current = dir.path() + "/数据 <a>&'x", first = dir.path() + "/第一", second = dir.path() + "/Second";
        for (const QString &path : {current, first, second})
            QVERIFY(QDir().mkpath(path));
        storeOptions({{"Option/DataDir", current}});
        std::unique_ptr<QDlgAbout> about(new QDlgAbout(nullptr));
        QTextDocument shown;
        shown.setHtml(child<QLabel>(about.get(), "lblAppDataLocation")->text());
        QCOMPARE(shown.toPlainText(), current);
        QCOMPARE(QUrl(shown.begin().begin().fragment().charFormat().anchorHref()).toLocalFile(), current);
        const QList<QPair<QString, QString>> choices{
            {"", "<missing>"}, {current, "<missing>"}, {first, first}, {current, first}, {second, second}};
        for (const auto &choice : choices) {
            ModalScript script;
            script.then<QFileDialog>([&choice](QFileDialog *d) {
                if (choice.first.isEmpty())
                    return d->reject();
                d->setDirectory(choice.first);
                QMetaObject::invokeMethod(d, "accept");
            });
            const bool taken = choice.first == choice.second;
            if (taken)
                script.answer();
            emit child<QLabel>(about.get(), "lblAppDataLocationTip")->linkActivated("setAppDataLocation");
            QVERIFY_SCRIPT(script);
            QCOMPARE(script.boxes, taken ? QStringList{"注意/数据目录在程序重启后生效"} : QStringList());
            QCOMPARE(stored("Option/NewDataDir"), choice.second);
        }
        QCOMPARE(getDataDir(), current);
    }

    void analystLinks_data()
    {
        QTest::addColumn<QString>("anls");
        QTest::addColumn<QString>("links");
        const QString a = "<a style='color:black;' href='%1'>%2</a>";
        QTest::newRow("two") << "张三[1001],李四[1002]" << a.arg("1001", "张三") + " , " + a.arg("1002", "李四");
        QTest::newRow("no brackets") << "王五" << a.arg("", "王五");
        QTest::newRow("empty parts") << ",张三[1],,李四[2]," << a.arg("1", "张三") + " , " + a.arg("2", "李四");
        QTest::newRow("no closing bracket") << "张三[12" << a.arg("12", "张三");
        QTest::newRow("closing before opening, markup") << "张]<b>[12" << a.arg("12", "张]&lt;b&gt;");
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
        auto *years = child<QLabel>(&dialog, "LblYear");
        QCOMPARE(years->text().count("<a "), 5);
        QCOMPARE(dialog.windowTitle(), QString("2016新财富最佳分析师"));
        auto *table = child<QTableWidget>(&dialog, "TblAnalystList");
        emit years->linkActivated("2012");
        QCOMPARE(dialog.windowTitle(), QString("2012新财富最佳分析师"));
        // 2012's first category has three institutions, its third five; medal 4 is a number.
        QCOMPARE(table->item(0, 0)->text() + table->item(3, 0)->text(), QString("宏观经济策略研究"));
        QCOMPARE(table->rowSpan(0, 0), 3);
        QCOMPARE(table->rowSpan(6, 0), 5);
        auto cell = [table](int row, int column) { return qobject_cast<QLabel *>(table->cellWidget(row, column)); };
        QVERIFY(!cell(0, 1)->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(cell(9, 1)->text() + cell(9, 2)->text(), QString("4中信证券"));
        QSignalSpy analysts(&dialog, &QDlgAnalyst::showReportListOfAnls);
        emit cell(0, 3)->linkActivated("1001");
        QCOMPARE(analysts.value(0).value(0).toString(), QString("1001"));
        dialog.showAnalyst("1999");
        QCOMPARE(table->rowCount(), 0);
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
