#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"
#include "options/OptionsDialog.h"
#include "options/ShortcutList.h"
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
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

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
