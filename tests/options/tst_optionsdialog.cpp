#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"
#include "options/OptionsDialog.h"
#include "options/ShortcutList.h"
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
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
    void pageFollowsList_data();
    void pageFollowsList();
    void aboutPageLeavesListOnGeneral();
    void closingWithoutOkChangesNothing_data();
    void closingWithoutOkChangesNothing();
    void okWritesEveryKey();
    void okThatCannotSaveKeepsTheDialog();
    void defaultThenOk();
    void okRegistersHotKeysAgain();
    void mainWindowOpensDialog_data();
    void mainWindowOpensDialog();
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

void TestOptionsDialog::pageFollowsList_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("page");
    QTest::newRow("starts on General") << QList<int>{} << 0;
    QTest::newRow("Snapshot") << QList<int>{1} << 1;
    QTest::newRow("Shortcut") << QList<int>{2} << 2;
    QTest::newRow("About") << QList<int>{3} << 3;
    QTest::newRow("About and back to General") << QList<int>{3, 0} << 0;
    QTest::newRow("Shortcut then Snapshot") << QList<int>{2, 1} << 1;
}

void TestOptionsDialog::pageFollowsList()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, page);
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* list = dialog.findChild<QListWidget*>();
    auto* stack = dialog.findChild<QStackedWidget*>();
    for (int row : clicks) {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    QCOMPARE(list->currentRow(), page);
    QCOMPARE(stack->currentIndex(), page);
    // A drag does not move entries about.
    const QRect first = list->visualItemRect(list->item(0));
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    QTest::mouseMove(list->viewport(), first.center() + QPoint(0, 150));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center() + QPoint(0, 150));
    QCOMPARE(list->item(0)->text(), QStringLiteral("General"));
    QCOMPARE(list->item(3)->text(), QStringLiteral("About"));
}

void TestOptionsDialog::aboutPageLeavesListOnGeneral()
{
    COptionsDialog dialog;
    auto* list = dialog.findChild<QListWidget*>();
    auto* stack = dialog.findChild<QStackedWidget*>();
    dialog.showAboutPage();
    QCOMPARE(stack->currentIndex(), 3);
    QCOMPARE(list->currentRow(), 0);
    list->setCurrentRow(0); // already current: no switch back
    QCOMPARE(stack->currentIndex(), 3);
    list->setCurrentRow(2);
    QCOMPARE(stack->currentIndex(), 2);
    list->setCurrentRow(0);
    QCOMPARE(stack->currentIndex(), 0);

    // The system it runs on; the pictures are not the maker's.
    const auto label = [&](const char* name) {
        return dialog.findChild<QLabel*>(QLatin1String(name))->text();
    };
    QCOMPARE(label("titleLabel"), QStringLiteral("Vireoscape 2.1 (Linux)"));
    QVERIFY(!label("noticeLabel").contains(QStringLiteral("picture")));

    // The build label holds this build's date and time in their compiler form.
    auto* build = dialog.findChild<QLabel*>(QStringLiteral("buildLabel"));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Build Time: (\\w{3} [ 123]\\d \\d{4}), (\\d\\d:\\d\\d:\\d\\d)$"))
            .match(build->text());
    QVERIFY2(m.hasMatch(), qPrintable(build->text()));
    const QDateTime built = QDateTime::fromString(
        m.captured(1).simplified() + QLatin1Char(' ') + m.captured(2), QStringLiteral("MMM d yyyy hh:mm:ss"));
    QVERIFY(built.isValid() && built <= QDateTime::currentDateTime().addSecs(60));
}

void TestOptionsDialog::closingWithoutOkChangesNothing_data()
{
    QTest::addColumn<bool>("pressDefault");
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Default then Cancel") << true << false;
    QTest::newRow("Default then Escape") << true << true;
    QTest::newRow("Cancel alone") << false << false;
}

void TestOptionsDialog::closingWithoutOkChangesNothing()
{
    QFETCH(bool, pressDefault);
    QFETCH(bool, byEscape);
    AppConfig = unusualSettings();
    AppConfig.save();
    const QByteArray before = settingsBytes();
    QVERIFY(!before.isEmpty());
    const QMap<QString, QString> record = settingsAsText(AppConfig);

    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (pressDefault)
        QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    if (byEscape)
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(button(dialog, "cancelButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settingsAsText(AppConfig), record);
    QCOMPARE(settingsBytes(), before);
}

void TestOptionsDialog::okWritesEveryKey()
{
    AppConfig = unusualSettings();
    const QMap<QString, QString> record = settingsAsText(AppConfig);
    QVERIFY(!QFile::exists(settingsFile()));
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    // Unchanged controls give back the same record, and every key is stored.
    QCOMPARE(settingsAsText(AppConfig), record);
    QSettings store;
    QCOMPARE(store.allKeys().size(), record.size());
    for (const QString& key : record.keys())
        QVERIFY2(store.contains(key), qPrintable(key));
    CAppConfig loaded;
    loaded.load();
    QCOMPARE(settingsAsText(loaded), record);
}

// A store that cannot be written: the user is told which file and why, the
// dialog stays with everything entered, and nothing changes meanwhile.
void TestOptionsDialog::okThatCannotSaveKeepsTheDialog()
{
    AppConfig = unusualSettings(); // start with the system: off
    const QMap<QString, QString> record = settingsAsText(AppConfig);
    QFile::remove(autoRunEntryPath());
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
    CAppConfig loaded;
    loaded.load();
    QCOMPARE(loaded.GenAutoRun, true);
    QCOMPARE(loaded.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
    QVERIFY(QFile::exists(autoRunEntryPath()));
}

void TestOptionsDialog::defaultThenOk()
{
    AppConfig = unusualSettings();
    COptionsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(button(dialog, "defaultButton"), Qt::LeftButton);
    QTest::mouseClick(button(dialog, "okButton"), Qt::LeftButton);

    // Fixed defaults for these; every other key (the snapshot check boxes,
    // path and name among them) keeps its value from the record.
    QMap<QString, QString> expected = settingsAsText(unusualSettings());
    expected[QStringLiteral("GenAutoRun")] = QStringLiteral("true");
    expected[QStringLiteral("GenAutoHide")] = QStringLiteral("false");
    expected[QStringLiteral("GenCloseToTray")] = QStringLiteral("true");
    expected[QStringLiteral("GenActionAfterFinish")] = QStringLiteral("1");
    expected[QStringLiteral("SnapshotFileNameExt")] = QStringLiteral(".png");
    expected[QStringLiteral("ImageQuality")] = QStringLiteral("80");
    expected[QStringLiteral("ShortcutShowMainWnd")] = QStringLiteral("Alt + E");
    expected[QStringLiteral("ShortcutStartSnapshot")] = QStringLiteral("Alt + S");
    CAppConfig loaded;
    loaded.load();
    QCOMPARE(settingsAsText(loaded), expected);
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
    QVERIFY(window.startSnapshotShortcut());
    QCOMPARE(window.startSnapshotShortcut()->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    QVERIFY(window.showMainWndShortcut());
    QCOMPARE(window.showMainWndShortcut()->shortcut(), QKeySequence(QStringLiteral("Alt+J")));

    // A new dialog starts with nothing pending: a modifier alone clears the row.
    COptionsDialog again(&window);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    auto* list = again.findChild<CShortcutList*>();
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("Alt + J"));
    list->setCurrentCell(0, 1);
    QTest::keyPress(list, Qt::Key_Shift, Qt::NoModifier);
    QTest::keyRelease(list, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::mouseClick(button(again, "okButton"), Qt::LeftButton);
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QString());
}

void TestOptionsDialog::mainWindowOpensDialog_data()
{
    QTest::addColumn<bool>("about");
    QTest::addColumn<bool>("visibleBefore");
    QTest::addColumn<int>("page");
    QTest::newRow("Option... from the shown window") << false << true << 0;
    QTest::newRow("Option... from the tray keeps the window hidden") << false << false << 0;
    QTest::newRow("About") << true << true << 3;
}

void TestOptionsDialog::mainWindowOpensDialog()
{
    QFETCH(bool, about);
    QFETCH(bool, visibleBefore);
    QFETCH(int, page);
    Vireoscape window;
    window.setVisible(visibleBefore);
    struct Seen
    {
        bool found = false;
        bool modal = false;
        bool parentIsWindow = false;
        int page = -1;
        int row = -1;
        bool hotKeysReleased = false;
    } seen;
    // Runs inside the dialog's modal loop.
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen.found = true;
        seen.modal = dialog->isModal();
        seen.parentIsWindow = dialog->parentWidget() == &window;
        seen.page = dialog->findChild<QStackedWidget*>()->currentIndex();
        seen.row = dialog->findChild<QListWidget*>()->currentRow();
        seen.hotKeysReleased = !window.startSnapshotShortcut() && !window.showMainWndShortcut();
        QTest::mouseClick(button(*dialog, "cancelButton"), Qt::LeftButton);
    });
    if (about)
        window.showAbout();
    else
        window.OnOption();
    QVERIFY(seen.found);
    QVERIFY(seen.modal);
    QVERIFY(seen.parentIsWindow);
    QCOMPARE(seen.page, page);
    QCOMPARE(seen.row, 0);
    // The table can capture the current combinations; Cancel brings them back.
    QVERIFY(seen.hotKeysReleased);
    QVERIFY(window.startSnapshotShortcut() && window.showMainWndShortcut());
    QCOMPARE(window.isVisible(), visibleBefore);
    QVERIFY(!window.isMinimized());
    // The dialog is gone once the slot returns.
    QVERIFY(!window.findChild<COptionsDialog*>());
}

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
