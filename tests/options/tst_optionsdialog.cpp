#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"
#include "options/OptionsDialog.h"
#include "options/ShortcutList.h"
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QtTest>

using namespace TestSupport;

namespace {

QString settingsFile()
{
    return QSettings().fileName();
}

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
    void okAloneStores();
    void okRegistersHotKeysAgain();
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

void TestOptionsDialog::okAloneStores()
{
    AppConfig = unusualSettings(); // start with the system: off
    const QMap<QString, QString> record = settingsAsText(AppConfig);
    {
        COptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    // Unchanged controls give back the same record, and every key is stored.
    QCOMPARE(settingsAsText(AppConfig), record);
    QCOMPARE(QSettings().allKeys().size(), record.size());
    CAppConfig loaded;
    loaded.load();
    QCOMPARE(settingsAsText(loaded), record);

    // Default, then Cancel or Escape: nothing changes.
    const QByteArray before = settingsBytes();
    for (bool byEscape : {false, true}) {
        COptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton);
        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(button(dialog, "cancelButton"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(settingsAsText(AppConfig), record);
        QCOMPARE(settingsBytes(), before);
    }

    // A store that cannot be written: the user is told which file and why,
    // the dialog stays with everything entered, and nothing changes meanwhile.
    QFile::remove(settingsFile());
    QVERIFY(QDir().mkpath(settingsFile())); // a folder in the file's place
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton); // start with the system: on
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
    QVERIFY(!QFile::exists(autoRunEntryPath()));

    // Once the store can be written, the same OK stores what was entered.
    QVERIFY(QDir(settingsFile()).removeRecursively());
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    loaded.load();
    QCOMPARE(loaded.GenAutoRun, true);
    QCOMPARE(loaded.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
    QVERIFY(QFile::exists(autoRunEntryPath()));
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
    QCOMPARE(actions.at(0)->text(), QStringLiteral("Start snapshot"));
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
