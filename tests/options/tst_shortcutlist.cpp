#include "config/AppConfig.h"
#include "options/ShortcutList.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QtTest>

// Key events carry the modifier state from before the key, as X11 sends it;
// QKeyEvent::modifiers() folds a pressed modifier key in itself.
class TestShortcutList : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
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

// Lets the test see whether an editor is open.
class InspectableList : public CShortcutList
{
public:
    bool editing() const { return state() == QAbstractItemView::EditingState; }
};

} // namespace

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
    QTest::keyRelease(&list, Qt::Key_S, Qt::AltModifier);
    QTest::keyRelease(&list, Qt::Key_Alt, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));

    // The captured key stays pending across rows.
    list.setCurrentCell(0, 0);
    QTest::keyPress(&list, Qt::Key_Control);
    QTest::keyRelease(&list, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Ctrl + S"));
    // Keys outside the key set keep the last key; function keys replace it.
    QTest::keyPress(&list, Qt::Key_Escape, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Shift + Ctrl + S"));
    QTest::keyPress(&list, Qt::Key_F12, Qt::MetaModifier | Qt::ControlModifier);
    list.saveSettings();
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Meta + Ctrl + F12"));
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
}

void TestShortcutList::onePress_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("fresh");     // the cell after the press and release in a new list
    QTest::addColumn<QString>("afterAltS"); // the same after Alt + S was captured first
    QTest::addColumn<QString>("refused");   // the combination the page's note names; empty: none
    const int shift = Qt::ShiftModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    // Shifted digits arrive as the characters of a US keyboard.
    QTest::newRow("Ctrl+Shift+7 arrives as &") << int(Qt::Key_Ampersand) << ctrlShift << "Shift + Ctrl + 7"
                                               << "Shift + Ctrl + 7"
                                               << "";
    QTest::newRow("a function key alone") << int(Qt::Key_F5) << 0 << "F5"
                                          << "F5"
                                          << "";
    QTest::newRow("Ctrl with a key outside the key set")
        << int(Qt::Key_Space) << int(Qt::ControlModifier) << ""
        << "Ctrl + S"
        << "";
    // Combinations that only type text leave the row as it was.
    QTest::newRow("a letter alone") << int(Qt::Key_S) << 0 << "Ctrl + F2"
                                    << "Alt + S"
                                    << "S";
    QTest::newRow("Shift+7 arrives as &") << int(Qt::Key_Ampersand) << shift << "Ctrl + F2"
                                          << "Alt + S"
                                          << "Shift + 7";
    QTest::newRow("keypad digit") << int(Qt::Key_5) << int(Qt::KeypadModifier) << "Ctrl + F2"
                                  << "Alt + S"
                                  << "5";
    QTest::newRow("Escape with Shift") << int(Qt::Key_Escape) << shift << "Ctrl + F2"
                                       << "Alt + S"
                                       << "Shift + Esc";
    // Shift alone is no modifier: with the pending S it would type "S".
    QTest::newRow("Shift after a key") << int(Qt::Key_Shift) << 0 << ""
                                       << "Alt + S"
                                       << "Shift + S";
}

void TestShortcutList::onePress()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, fresh);
    QFETCH(QString, afterAltS);
    QFETCH(QString, refused);
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Ctrl + F2");
    CShortcutPage page;
    auto* list = page.findChild<CShortcutList*>();
    auto* note = page.findChild<QLabel*>(QStringLiteral("shortcutNote"));
    QVERIFY(note && note->isHidden());
    list->setCurrentCell(1, 1);
    // QTest presses and releases the modifier keys too.
    QTest::keyPress(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyRelease(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cell(*list, 1), fresh);

    QTest::keyPress(list, Qt::Key_S, Qt::AltModifier);
    QTest::keyRelease(list, Qt::Key_S, Qt::AltModifier);
    QVERIFY(note->isHidden());
    QTest::keyPress(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(note->isHidden(), refused.isEmpty());
    if (!refused.isEmpty())
        QVERIFY2(note->text().contains(QLatin1Char('"') + refused + QLatin1Char('"')),
                 qPrintable(note->text()));
    QTest::keyRelease(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cell(*list, 1), afterAltS);
    page.saveSettings();
    QCOMPARE(AppConfig.ShortcutStartSnapshot, afterAltS);
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Alt + E"));
}

void TestShortcutList::keyboardPress_data()
{
    QTest::addColumn<QString>("keymap"); // an xmodmap expression; empty: the server's US keyboard
    QTest::addColumn<QString>("keys");   // as xdotool presses them
    QTest::addColumn<QString>("shown");
    QTest::newRow("Shift+7 types & (US)") << ""
                                          << "ctrl+shift+7"
                                          << "Shift + Ctrl + 7";
    QTest::newRow("Shift+7 types / (German)") << "keysym 7 = 7 slash"
                                              << "ctrl+shift+7"
                                              << "Shift + Ctrl + 7";
    QTest::newRow("Shift+0 types = (German)") << "keysym 0 = 0 equal"
                                              << "alt+shift+0"
                                              << "Shift + Alt + 0";
    QTest::newRow("Shift with a letter") << ""
                                         << "super+shift+q"
                                         << "Meta + Shift + Q";
    QTest::newRow("Shift+7 alone types text") << "keysym 7 = 7 slash"
                                              << "shift+7"
                                              << "Alt + S";
}

void TestShortcutList::keyboardPress()
{
    QFETCH(QString, keymap);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    using TestSupport::runTool;
    const QByteArray savedKeymap = runTool(QStringLiteral("xmodmap"), {QStringLiteral("-pke")}).out;
    QVERIFY(!savedKeymap.isEmpty());
    const auto restore =
        qScopeGuard([&] { runTool(QStringLiteral("xmodmap"), {QStringLiteral("-")}, 20000, savedKeymap); });
    if (!keymap.isEmpty())
        QCOMPARE(runTool(QStringLiteral("xmodmap"), {QStringLiteral("-e"), keymap}).exitCode, 0);

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
