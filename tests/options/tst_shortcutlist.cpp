#include "config/AppConfig.h"
#include "options/ShortcutList.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QScopeGuard>
#include <QtTest>

// Key events carry the modifier state from before the key, as X11 sends it;
// QKeyEvent::modifiers() folds a pressed modifier key in itself.
class TestShortcutList : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
    void keyText_data();
    void keyText();
    void captureAccumulates();
    void onePress_data();
    void onePress();
    void keyboardPress_data();
    void keyboardPress();
};

namespace {

QString cell(const QTableWidget& list, int row)
{
    return list.item(row, 1)->data(Qt::DisplayRole).toString();
}

} // namespace

void TestShortcutList::keyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("display"); // after a parse
    QTest::addColumn<QString>("compact");
    QTest::addColumn<bool>("valid"); // it names a key
    const auto row = [](const char* text, const char* display, const char* compact, bool valid) {
        QTest::newRow(text) << QString(text) << QString(display) << QString(compact) << valid;
    };
    row("Alt + S", "Alt + S", "Alt+S", true);
    row(" Alt +S ", "Alt + S", "Alt+S", true);
    row("S+Alt", "Alt + S", "Alt+S", true);
    row("Alt+Ctrl+Shift+Meta+F12", "Meta + Shift + Ctrl + Alt + F12", "Meta+Shift+Ctrl+Alt+F12", true);
    row("Shift + 6", "Shift + 6", "Shift+6", true);
    row("A + B", "B", "B", true);
    row("F1 + F10", "F10", "F10", true);
    // Names are case-sensitive; F13 and F01 are no keys.
    row("alt + s", "", "", false);
    row("Ctrl + F13", "Ctrl", "Ctrl", false);
    row("Ctrl + F01", "Ctrl", "Ctrl", false);
    row("+", "", "", false);
}

// The text of hot keys: modifiers in the order Meta, Shift, Ctrl, Alt, then
// the key, joined by " + " (shown and stored) or "+" (compact).
void TestShortcutList::keyText()
{
    QFETCH(QString, text);
    QFETCH(QString, display);
    QFETCH(QString, compact);
    QFETCH(bool, valid);
    const CShortcut shortcut(text);
    QCOMPARE(shortcut.toString(false), display);
    QCOMPARE(shortcut.toString(true), compact);
    QCOMPARE(shortcut.isValid(), valid);
}

void TestShortcutList::captureAccumulates()
{
    CShortcutList list;
    list.setCurrentCell(1, 1);
    QTest::keyPress(&list, Qt::Key_Alt);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt"));
    QTest::keyRelease(&list, Qt::Key_Alt, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QString());

    QTest::keyPress(&list, Qt::Key_Alt);
    QTest::keyPress(&list, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));
    // In the other row (the captured key carries over: see the options
    // dialog's test), a function key replaces it.
    list.setCurrentCell(0, 0);
    QTest::keyPress(&list, Qt::Key_F12, Qt::MetaModifier | Qt::ControlModifier);
    list.saveSettings();
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Meta + Ctrl + F12"));
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
}

// One press and release after Alt + S was captured.
void TestShortcutList::onePress_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("refused"); // the combination the page's note names; empty: none
    const auto row = [](const char* name, Qt::Key key, int modifiers, const char* shown,
                        const char* refused) {
        QTest::newRow(name) << int(key) << modifiers << QString(shown) << QString(refused);
    };
    const int shift = Qt::ShiftModifier;
    // Shifted digits arrive as the characters of a US keyboard.
    row("Ctrl+Shift+7 arrives as &", Qt::Key_Ampersand, shift | Qt::ControlModifier, "Shift + Ctrl + 7", "");
    row("a function key alone", Qt::Key_F5, 0, "F5", "");
    // Combinations that only type text leave the row as it was.
    row("a letter alone", Qt::Key_S, 0, "Alt + S", "S");
    row("Shift+7 arrives as &", Qt::Key_Ampersand, shift, "Alt + S", "Shift + 7");
    // Shift alone is no modifier: with the pending S it would type "S".
    row("Shift after a key", Qt::Key_Shift, 0, "Alt + S", "Shift + S");
}

void TestShortcutList::onePress()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    QFETCH(QString, refused);
    CShortcutPage page;
    auto* list = page.findChild<CShortcutList*>();
    auto* note = page.findChild<QLabel*>(QStringLiteral("shortcutNote"));
    list->setCurrentCell(1, 1);
    QTest::keyPress(list, Qt::Key_S, Qt::AltModifier);
    QTest::keyRelease(list, Qt::Key_S, Qt::AltModifier);
    QVERIFY(note && note->isHidden());
    // QTest presses and releases the modifier keys too.
    QTest::keyPress(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(note->isHidden(), refused.isEmpty());
    QVERIFY2(note->text().contains(QLatin1Char('"') + refused + QLatin1Char('"')) || refused.isEmpty(),
             qPrintable(note->text()));
    QTest::keyRelease(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cell(*list, 1), shown);
}

// Physical keys through a real X server, with a German layout's Shift+7.
void TestShortcutList::keyboardPress_data()
{
    QTest::addColumn<QString>("keys"); // as xdotool presses them
    QTest::addColumn<QString>("shown");
    QTest::newRow("Shift+7 types /") << "ctrl+shift+7" << QString("Shift + Ctrl + 7");
    QTest::newRow("Shift with a letter") << "super+shift+q" << QString("Meta + Shift + Q");
    QTest::newRow("Shift+7 alone types text") << "shift+7" << QString("Alt + S");
}

void TestShortcutList::keyboardPress()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    using TestSupport::runTool;
    const QByteArray savedKeymap = runTool(QStringLiteral("xmodmap"), {QStringLiteral("-pke")}).out;
    QVERIFY(!savedKeymap.isEmpty());
    const auto restore =
        qScopeGuard([&] { runTool(QStringLiteral("xmodmap"), {QStringLiteral("-")}, 20000, savedKeymap); });
    QCOMPARE(runTool(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("keysym 7 = 7 slash")})
                 .exitCode,
             0);

    CShortcutList list;
    list.show();
    list.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    list.setCurrentCell(1, 1);
    QSignalSpy presses(&list, &CShortcutList::noteChanged);
    QCOMPARE(runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}).exitCode, 0);
    QTRY_COMPARE(presses.count(), int(keys.count(QLatin1Char('+'))) + 1);
    QCOMPARE(cell(list, 1), shown);
}

QTEST_MAIN(TestShortcutList)
#include "tst_shortcutlist.moc"
