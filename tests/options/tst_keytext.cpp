#include "options/KeyText.h"

#include <QtTest>

class TestKeyText : public QObject
{
    Q_OBJECT
private slots:
    void keyNames_data();
    void keyNames();
    void toStringForms_data();
    void toStringForms();
    void fromString_data();
    void fromString();
    void setKeyKeepsOnlyShortcutKeys();
};

void TestKeyText::keyNames_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("name");
    QTest::newRow("first letter") << int(Qt::Key_A) << "A";
    QTest::newRow("last letter") << int(Qt::Key_Z) << "Z";
    QTest::newRow("digit 0") << int(Qt::Key_0) << "0";
    QTest::newRow("digit 9") << int(Qt::Key_9) << "9";
    QTest::newRow("F1") << int(Qt::Key_F1) << "F1";
    QTest::newRow("F12") << int(Qt::Key_F12) << "F12";
    QTest::newRow("control is Ctrl") << int(Qt::Key_Control) << "Ctrl";
    QTest::newRow("shift") << int(Qt::Key_Shift) << "Shift";
    QTest::newRow("meta") << int(Qt::Key_Meta) << "Meta";
    QTest::newRow("alt") << int(Qt::Key_Alt) << "Alt";
    QTest::newRow("F13 has no name") << int(Qt::Key_F13) << "";
    QTest::newRow("space has no name") << int(Qt::Key_Space) << "";
    QTest::newRow("escape has no name") << int(Qt::Key_Escape) << "";
}

void TestKeyText::keyNames()
{
    QFETCH(int, key);
    QFETCH(QString, name);
    QCOMPARE(keyName(key), name);
    if (!name.isEmpty()) {
        QCOMPARE(keyFromName(name), key);
        QCOMPARE(keyFromName(QLatin1String("  ") + name + QLatin1String(" ")), key);
        if (name.size() > 1 || name.at(0).isLetter())
            QCOMPARE(keyFromName(name.toLower()), name == name.toLower() ? key : 0);
    }
}

void TestKeyText::toStringForms_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("compact");
    QTest::newRow("Alt with S") << int(Qt::AltModifier) << int(Qt::Key_S) << "Alt + S"
                                << "Alt+S";
    QTest::newRow("all four in fixed order")
        << int(Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)
        << int(Qt::Key_F12) << "Meta + Shift + Ctrl + Alt + F12"
        << "Meta+Shift+Ctrl+Alt+F12";
    QTest::newRow("Shift comes before Ctrl")
        << int(Qt::ControlModifier | Qt::ShiftModifier) << int(Qt::Key_F5) << "Shift + Ctrl + F5"
        << "Shift+Ctrl+F5";
    QTest::newRow("modifiers only") << int(Qt::ControlModifier | Qt::AltModifier) << 0 << "Ctrl + Alt"
                                    << "Ctrl+Alt";
    QTest::newRow("nothing") << 0 << 0 << ""
                             << "";
    QTest::newRow("keypad flag has no text") << int(Qt::KeypadModifier) << int(Qt::Key_1) << "1"
                                             << "1";
}

void TestKeyText::toStringForms()
{
    QFETCH(int, modifiers);
    QFETCH(int, key);
    QFETCH(QString, display);
    QFETCH(QString, compact);
    CShortcut shortcut;
    shortcut.setModifiers(Qt::KeyboardModifiers(modifiers));
    shortcut.setKey(key);
    QCOMPARE(shortcut.toString(false), display);
    QCOMPARE(shortcut.toString(true), compact);
    QCOMPARE(shortcut.isValid(), key != 0);
}

void TestKeyText::fromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("display");
    QTest::newRow("compact form") << "Alt+S" << true << "Alt + S";
    QTest::newRow("display form") << "Alt + S" << true << "Alt + S";
    QTest::newRow("key before modifier") << "S+Alt" << true << "Alt + S";
    QTest::newRow("stray blanks") << " Alt +S " << true << "Alt + S";
    QTest::newRow("names are case-sensitive") << "alt + s" << false << "";
    QTest::newRow("F13 is no key") << "Ctrl + F13" << false << "Ctrl";
    QTest::newRow("Shift with 6") << "Shift + 6" << true << "Shift + 6";
    QTest::newRow("Shift with 7") << "Shift + 7" << true << "Shift + 7";
    QTest::newRow("empty text") << "" << false << "";
    QTest::newRow("lone plus") << "+" << false << "";
    QTest::newRow("two keys keep the last") << "A + B" << true << "B";
    QTest::newRow("modifiers only") << "Ctrl + Alt" << false << "Ctrl + Alt";
    QTest::newRow("order is normalised")
        << "Alt + Ctrl + Meta + Shift + F1" << true << "Meta + Shift + Ctrl + Alt + F1";
    QTest::newRow("doubled separators") << "Ctrl++S" << true << "Ctrl + S";
}

void TestKeyText::fromString()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, display);
    const CShortcut shortcut(text);
    QCOMPARE(shortcut.isValid(), valid);
    QCOMPARE(shortcut.toString(false), display);
    // A parse of either printed form gives the same combination back.
    QCOMPARE(CShortcut(shortcut.toString(true)).toString(false), display);
    QCOMPARE(CShortcut(display).toString(true), shortcut.toString(true));
}

void TestKeyText::setKeyKeepsOnlyShortcutKeys()
{
    CShortcut shortcut(QStringLiteral("Alt + S"));
    shortcut.setKey(Qt::Key_Escape);
    QCOMPARE(shortcut.toString(false), QStringLiteral("Alt + S"));
    shortcut.setKey(Qt::Key_Alt);
    QCOMPARE(shortcut.key(), int(Qt::Key_S));
    shortcut.setKey(Qt::Key_F3);
    QCOMPARE(shortcut.toString(false), QStringLiteral("Alt + F3"));
}

QTEST_GUILESS_MAIN(TestKeyText)
#include "tst_keytext.moc"
