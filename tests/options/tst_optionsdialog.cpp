#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"
#include "ocr/TextRecognizer.h"
#include "options/OptionsDialog.h"
#include "options/ShortcutList.h"
#include "options/SnapshotPage.h"
#include "output/PictureFiles.h"
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

namespace {

QByteArray settingsBytes()
{
    QFile file(settingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QPushButton* button(const COptionsDialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class TestOptionsDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void okStoresEveryControl();
    void okRegistersHotKeysAgain();
    void textLanguage();
    void namesThatCannotBeStored_data();
    void namesThatCannotBeStored();
};

void TestOptionsDialog::initTestCase()
{
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestOptionsDialog::init()
{
    QFile::remove(settingsFile());
    AppConfig = CAppConfig::defaults();
}

namespace {

// Shows a page as the user does, with a click on its entry in the list.
void showPage(COptionsDialog& dialog, int row)
{
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("contentsWidget"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    QCOMPARE(dialog.findChild<QStackedWidget*>(QStringLiteral("pagesWidget"))->currentIndex(), row);
}

template <class T = QWidget> T* control(const COptionsDialog& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QLatin1String(name));
    [&] { QVERIFY2(found && found->isVisible(), name); }();
    return found;
}

// A click on a check box or radio button, on its box (its middle may lie
// beyond its text, where a click does nothing).
void tick(QWidget* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void retype(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

} // namespace

// A first run's settings; every control of every page changed as a user
// changes it, OK: the settings file holds exactly what was entered, and a
// dialog opened again shows it (its OK changes nothing). "Default", then
// OK: the defaults of the pages; Default, then Cancel or Escape (in the
// shortcut table, where it is no hot key): nothing.
// A store that cannot be written keeps the dialog open with what was entered.
void TestOptionsDialog::okStoresEveryControl()
{
    CSnapshotPage::setNameMaker([](const QString& pattern) { return expandFileName(pattern); });
    AppConfig.load();
    QVERIFY(AppConfig.save().ok);
    const QString folder = QDir::home().filePath(QStringLiteral("chosen"));
    QVERIFY(QDir().mkpath(folder));
    Settings expected = firstRunSettings();
    {
        COptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char* box : {"autoRunCheckBox", "autoHideCheckBox", "closeToTrayCheckBox", "exitAppRadio",
                                "finishNoticeCheckBox"})
            tick(control(dialog, box));
        showPage(dialog, 1);
        for (const char* box : {"snapshotAfterDblClkCheckBox", "shadowCheckBox", "copyToClipboardCheckBox",
                                "saveToFileCheckBox"})
            tick(control(dialog, box));
        // The folder chosen with "...", the name typed, the third extension.
        QTimer::singleShot(100, this, [folder] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder);
            static_cast<QDialog*>(chooser)->accept();
        });
        QTest::mouseClick(control(dialog, "browseButton"), Qt::LeftButton);
        retype(control<QLineEdit>(dialog, "fileNameEdit"), QStringLiteral("shot_%D"));
        auto* extensions = control<QComboBox>(dialog, "fileExtComboBox");
        QStringList entries;
        for (int i = 0; i < extensions->count(); ++i)
            entries << extensions->itemText(i);
        QCOMPARE(entries, (QStringList{".png", ".jpg", ".bmp", ".xbm"}));
        // The pattern's tool tip lists the fields and shows the name it makes
        // now, as typed and with the extension chosen.
        const auto nameTip = [&dialog](const QString& ext) {
            const QString tip = control<QLineEdit>(dialog, "fileNameEdit")->toolTip();
            QVERIFY2(tip.contains(QStringLiteral("%D day")) &&
                         tip.endsWith(QStringLiteral("Now: shot_%1").arg(QDate::currentDate().day()) + ext),
                     qPrintable(tip));
        };
        nameTip(extensions->currentText());
        extensions->setCurrentIndex(2);
        nameTip(QStringLiteral(".bmp"));
        // The slider's top end, with the key a user would press.
        QTest::keyClick(control(dialog, "qualitySlider"), Qt::Key_End);
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("qualityEdit"))->text(), QStringLiteral("100"));
        showPage(dialog, 2);
        auto* list = control<CShortcutList>(dialog, "shortcutList");
        for (int row : {0, 1}) {
            list->setCurrentCell(row, 1);
            QTest::keyPress(list, Qt::Key_Control, Qt::NoModifier);
            QTest::keyPress(list, row ? Qt::Key_F3 : Qt::Key_J, Qt::ControlModifier);
            QTest::keyRelease(list, row ? Qt::Key_F3 : Qt::Key_J, Qt::ControlModifier);
        }
        QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    expected.insert(settings("GenAutoRun=false|GenAutoHide=true|GenCloseToTray=false|GenActionAfterFinish=2|"
                             "ShowFinishNotice=false|SnapshotAfterDlbClk=false|SnapshotShadow=false|"
                             "CopyToClipboardAfterFinish=false|"
                             "SaveToFileAfterFinish=false|SnapshotFileName=shot_%D|SnapshotFileNameExt=.bmp|"
                             "ImageQuality=100|ShortcutShowMainWnd=Ctrl + J|ShortcutStartSnapshot=Ctrl + F3|"
                             "SnapshotFilePath=" +
                             folder));
    QCOMPARE(storedSettings(), expected);
    QVERIFY(!QFile::exists(autoRunEntryPath()));
    // Opened again, it shows what is stored: "Hide to tray" and a quality
    // below the slider's range, which then stores its lowest value.
    AppConfig.ImageQuality = 10;
    for (bool defaults : {false, true}) {
        COptionsDialog dialog;
        dialog.show();
        if (defaults)
            QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton);
        else
            tick(control(dialog, "hideToTrayRadio"));
        QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
        expected.insert(settings(
            defaults
                ? "GenAutoRun=true|GenAutoHide=false|GenCloseToTray=true|"
                  "GenActionAfterFinish=1|ShowFinishNotice=true|SnapshotFileNameExt=.png|ImageQuality=80|"
                  "ShortcutShowMainWnd=Alt + E|ShortcutStartSnapshot=Alt + S"
                : "GenActionAfterFinish=0|ImageQuality=30"));
        QCOMPARE(storedSettings(), expected);
    }
    QVERIFY(QFile::exists(autoRunEntryPath()));

    const QByteArray before = settingsBytes();
    const Settings record = settingsAsText(AppConfig);
    for (bool byEscape : {false, true}) {
        COptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton);
        tick(control(dialog, "autoRunCheckBox"));
        if (byEscape) {
            showPage(dialog, 2);
            auto* list = control<CShortcutList>(dialog, "shortcutList");
            list->setCurrentCell(0, 1);
            QTest::keyClick(list, Qt::Key_Escape);
        } else {
            QTest::mouseClick(button(dialog, "cancelButton"), Qt::LeftButton);
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settingsAsText(AppConfig), record);
        QCOMPARE(settingsBytes(), before);
    }

    // Through the main window's showAbout: the About page, the list still at General.
    COptionsDialog about;
    about.showAboutPage();
    QCOMPARE(about.findChild<QStackedWidget*>(QStringLiteral("pagesWidget"))->currentIndex(), 3);
    QCOMPARE(about.findChild<QListWidget*>(QStringLiteral("contentsWidget"))->currentRow(), 0);

    // A store that cannot be written: the user is told which file and why,
    // the dialog stays with everything entered, and nothing changes meanwhile.
    QFile::remove(settingsFile());
    QVERIFY(QDir().mkpath(settingsFile())); // a folder in the file's place
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    tick(control(dialog, "autoRunCheckBox")); // start with the system: off
    QString warning;
    QTimer::singleShot(0, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
    QVERIFY2(warning.contains(settingsFile()) && warning.contains(QStringLiteral("Is a directory")),
             qPrintable(warning));
    QVERIFY(dialog.isVisible());
    QCOMPARE(settingsAsText(AppConfig), record);
    QVERIFY(QFile::exists(autoRunEntryPath()));

    // Once the store can be written, the same OK stores what was entered.
    QVERIFY(QDir(settingsFile()).removeRecursively());
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(storedSettings().value("GenAutoRun"), QStringLiteral("false"));
    QVERIFY(!QFile::exists(autoRunEntryPath()));
}

void TestOptionsDialog::okRegistersHotKeysAgain()
{
    Vireoscape window;
    QVERIFY(window.startSnapshotShortcut());
    QCOMPARE(window.startSnapshotShortcut()->shortcut(), QKeySequence(QStringLiteral("Alt+S")));

    // As the main window runs it: OK has the window register the hot keys anew.
    QTimer::singleShot(0, this, [] {
        auto* dialog = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* list = dialog->findChild<CShortcutList*>();
        list->setCurrentCell(1, 1);
        QTest::keyPress(list, Qt::Key_Control, Qt::NoModifier);
        QTest::keyPress(list, Qt::Key_J, Qt::ControlModifier);
        QTest::keyRelease(list, Qt::Key_J, Qt::ControlModifier);
        // The key captured before carries over to a press of Alt alone.
        list->setCurrentCell(0, 1);
        QTest::keyPress(list, Qt::Key_Alt, Qt::NoModifier);
        QTest::keyRelease(list, Qt::Key_Alt, Qt::AltModifier);
        QTest::mouseClick(button(*dialog, "okButton"), Qt::LeftButton);
    });
    window.OnOption();
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QStringLiteral("Ctrl + J"));
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Alt + J"));
    QVERIFY(window.startSnapshotShortcut() && window.showMainWndShortcut());
    QCOMPARE(window.startSnapshotShortcut()->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    QCOMPARE(window.showMainWndShortcut()->shortcut(), QKeySequence(QStringLiteral("Alt+J")));
    // The tray menu and the Capture button show the new keys at once.
    const QList<QAction*> actions = window.trayMenu()->actions();
    QCOMPARE(actions.at(0)->text(), QStringLiteral("Start snapshot\tCtrl + J"));
    QCOMPARE(actions.at(2)->text(), QStringLiteral("Show Main Window\tAlt + J"));
    QCOMPARE(actions.at(0)->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    QVERIFY(actions.at(0)->isShortcutVisibleInContextMenu());
    QCOMPARE(actions.at(2)->shortcut(), QKeySequence(QStringLiteral("Alt+J")));
    QCOMPARE(window.findChildren<QPushButton*>().at(0)->toolTip(), QStringLiteral("Capture (Ctrl + J)"));

    // A new dialog starts with nothing pending: a modifier alone clears the row.
    COptionsDialog again(&window);
    auto* list = again.findChild<CShortcutList*>();
    list->setCurrentCell(0, 1);
    QTest::keyPress(list, Qt::Key_Shift, Qt::NoModifier);
    QTest::keyRelease(list, Qt::Key_Shift, Qt::ShiftModifier);
    list->saveSettings();
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QString());
}

// The text language: the installed models to choose from (orientation and
// equations are none), a stored one whose model is gone kept as it is, the
// chosen one stored.
void TestOptionsDialog::textLanguage()
{
    QTemporaryDir models;
    for (const char* model : {"deu", "osd", "equ", "fra"})
        QVERIFY(QFile(models.filePath(QLatin1String(model) + QStringLiteral(".traineddata")))
                    .open(QIODevice::WriteOnly));
    qputenv("TESSDATA_PREFIX", models.path().toLocal8Bit());
    const QStringList installed = CTextRecognizer::installedLanguages();
    QVERIFY(installed.contains(QStringLiteral("deu")) && installed.contains(QStringLiteral("fra")));
    QVERIFY(!installed.contains(QStringLiteral("osd")) && !installed.contains(QStringLiteral("equ")));
    AppConfig.SnapshotTextLanguage = QStringLiteral("eng+ita");
    for (const QString& chosen : {QStringLiteral("fra"), QString()}) {
        COptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        showPage(dialog, 1);
        auto* box = dialog.findChild<CSnapshotPage*>()->textLanguageBox();
        QVERIFY(box->isVisible());
        QStringList entries;
        for (int i = 0; i < box->count(); ++i)
            entries << box->itemText(i);
        const QString stored = AppConfig.SnapshotTextLanguage;
        QCOMPARE(entries, installed.contains(stored) ? installed : installed + QStringList{stored});
        QCOMPARE(box->currentText(), stored);
        // Chosen with the keyboard, as a user would: from the first entry down.
        if (!chosen.isEmpty()) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Home);
            while (box->currentText() != chosen && box->currentIndex() < box->count() - 1)
                QTest::keyClick(box, Qt::Key_Down);
        }
        QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(storedSettings().value("SnapshotTextLanguage"), QStringLiteral("fra"));
        QCOMPARE(AppConfig.SnapshotTextLanguage, QStringLiteral("fra"));
    }
    qunsetenv("TESSDATA_PREFIX");
}

void TestOptionsDialog::namesThatCannotBeStored_data()
{
    QTest::addColumn<QString>("field"); // the line edit's object name
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why"); // in the warning; empty: stored
    const auto row = [](const char* name, const char* field, const QString& text, const char* why) {
        QTest::newRow(name) << QString(field) << text << QString(why);
    };
    row("every field and a percent sign", "fileNameEdit", "a%%b_%Y%M%D%h%m%s", "");
    row("a name of 200 characters", "fileNameEdit", QString(200, QLatin1Char('n')), "");
    row("a parent folder", "fileNameEdit", "../up", "cannot hold \"/\"");
    row("an absolute name", "fileNameEdit", "/tmp/x", "cannot hold \"/\"");
    row("a percent sign before a slash", "fileNameEdit", "%/x", "cannot hold \"/\"");
    row("a field that is none", "fileNameEdit", "shot_%x", "\"%x\" is no field");
    row("upper-case H is no field", "fileNameEdit", "%H", "\"%H\" is no field");
    row("a percent sign at the end", "fileNameEdit", "shot%", "\"%\" is no field");
    row("a tab", "fileNameEdit", "a\tb", "control characters");
    row("too long once the date is in", "fileNameEdit",
        QString(120, QLatin1Char('n')) + QString("%Y").repeated(60), "too long");
    row("a folder of 4000 bytes", "filePathEdit", "/" + QString(3999, QLatin1Char('p')),
        "file path is too long");
    row("a newline in the folder", "filePathEdit", "/tmp/a\nb", "control characters");
}

// OK refuses a name pattern that would leave the folder or cannot make a
// file name, and a folder that cannot hold one, says why, and keeps the
// dialog open on the Snapshot page with the field at fault in focus.
void TestOptionsDialog::namesThatCannotBeStored()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, why);
    const CAppConfig before = AppConfig;
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>(field);
    edit->setText(text);
    QString warning;
    QWidget* focused = nullptr;
    QTimer::singleShot(0, this, [&] {
        focused = dialog.focusWidget();
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
    if (why.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(field == QLatin1String("fileNameEdit") ? AppConfig.SnapshotFileName
                                                        : AppConfig.SnapshotFilePath,
                 text);
        return;
    }
    QVERIFY2(warning.contains(why), qPrintable(warning));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findChild<QStackedWidget*>()->currentIndex(), 1);
    QCOMPARE(focused, edit);
    QCOMPARE(settingsAsText(AppConfig), settingsAsText(before));
    QVERIFY(!QFile::exists(settingsFile()));
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
