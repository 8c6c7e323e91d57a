#include "config/AppConfig.h"
#include "options/ShortcutList.h"

#include <QLineEdit>
#include <QtTest>

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

class TestShortcutList : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void layout();
    void loadAndSave_data();
    void loadAndSave();
    void captureAccumulates();
    void noCurrentRowChangesNothing();
    void cellsAreNotEditable();
    void releaseOfUncapturedKeyKeepsCell_data();
    void releaseOfUncapturedKeyKeepsCell();
    void keyboardNavigation();
    void restoreDefaults();
    void pageForwardsToList();
};

void TestShortcutList::init()
{
    AppConfig = CAppConfig::defaults();
}

void TestShortcutList::layout()
{
    CShortcutList list;
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.columnCount(), 2);
    QCOMPARE(list.horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
    QCOMPARE(list.horizontalHeaderItem(1)->text(), QStringLiteral("Shortcut"));
    QCOMPARE(list.item(0, 0)->text(), QStringLiteral("Show Main Window"));
    QCOMPARE(list.item(1, 0)->text(), QStringLiteral("Start snapshot"));
    QCOMPARE(list.columnWidth(0), 150);
    QCOMPARE(list.columnWidth(1), 150);
}

void TestShortcutList::loadAndSave_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("compact form shows normalised") << "Alt+S"
                                                   << "Alt + S";
    QTest::newRow("display form as it is") << "Ctrl + F5"
                                           << "Ctrl + F5";
    QTest::newRow("modifier order is fixed") << "Alt + Shift + Meta + Ctrl + 9"
                                             << "Meta + Shift + Ctrl + Alt + 9";
    QTest::newRow("a key alone") << "S"
                                 << "S";
    QTest::newRow("lower case is not a shortcut") << "alt + s"
                                                  << "";
    QTest::newRow("modifiers only are not a shortcut") << "Ctrl + Alt"
                                                       << "";
    QTest::newRow("unknown key") << "Ctrl + Space"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestShortcutList::loadAndSave()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    for (int row = 0; row < 2; ++row) {
        AppConfig = CAppConfig::defaults();
        QString& field = row == 0 ? AppConfig.ShortcutShowMainWnd : AppConfig.ShortcutStartSnapshot;
        QString& other = row == 0 ? AppConfig.ShortcutStartSnapshot : AppConfig.ShortcutShowMainWnd;
        field = stored;
        other = QStringLiteral("F1");
        CShortcutList list;
        QCOMPARE(cell(list, row), shown);
        QCOMPARE(cell(list, 1 - row), QStringLiteral("F1"));
        field = QStringLiteral("junk");
        other = QStringLiteral("junk");
        list.saveSettings();
        QCOMPARE(field, shown);
        QCOMPARE(other, QStringLiteral("F1"));
    }
}

void TestShortcutList::captureAccumulates()
{
    CShortcutList list;
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentCell(1, 1);

    // Events carry the modifier state from before the key, as X11 sends it;
    // QKeyEvent::modifiers() folds the pressed modifier key in.
    QTest::keyPress(&list, Qt::Key_Alt, Qt::NoModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt"));
    QTest::keyRelease(&list, Qt::Key_Alt, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QString());

    QTest::keyPress(&list, Qt::Key_Alt, Qt::NoModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt"));
    QTest::keyPress(&list, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));
    QTest::keyRelease(&list, Qt::Key_S, Qt::AltModifier);
    QTest::keyRelease(&list, Qt::Key_Alt, Qt::AltModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));

    // The captured key stays in the pending combination across rows.
    list.setCurrentCell(0, 0);
    QTest::keyPress(&list, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Ctrl + S"));
    QTest::keyRelease(&list, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Ctrl + S"));
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));

    // Keys outside the key set keep the last key; function keys replace it.
    QTest::keyPress(&list, Qt::Key_Escape, Qt::ShiftModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Shift + S"));
    QTest::keyPress(&list, Qt::Key_F12, Qt::MetaModifier | Qt::ControlModifier);
    QCOMPARE(cell(list, 0), QStringLiteral("Meta + Ctrl + F12"));

    list.saveSettings();
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Meta + Ctrl + F12"));
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
}

void TestShortcutList::noCurrentRowChangesNothing()
{
    CShortcutList list;
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentItem(nullptr);
    QCOMPARE(list.currentRow(), -1);
    QTest::keyPress(&list, Qt::Key_Q, Qt::ControlModifier);
    QTest::keyRelease(&list, Qt::Key_Q, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_Alt);
    QCOMPARE(cell(list, 0), QStringLiteral("Alt + E"));
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));
    // Nothing was pending either: a later modifier alone is not a shortcut.
    list.setCurrentCell(0, 1);
    QTest::keyClick(&list, Qt::Key_Shift);
    QCOMPARE(cell(list, 0), QString());
}

void TestShortcutList::cellsAreNotEditable()
{
    InspectableList list;
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* item = list.item(row, column);
            QVERIFY(!(item->flags() & Qt::ItemIsEditable));
            QVERIFY(item->flags() & Qt::ItemIsSelectable);
            const QRect rect = list.visualItemRect(item);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
            QVERIFY(!list.editing());
            QTest::keyClick(&list, Qt::Key_F2);
            QVERIFY(!list.editing());
        }
    }
    QVERIFY(!list.findChild<QLineEdit*>());
}

void TestShortcutList::releaseOfUncapturedKeyKeepsCell_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
    QTest::newRow("Alt held before the row was chosen") << int(Qt::Key_Alt) << int(Qt::AltModifier);
    QTest::newRow("letter") << int(Qt::Key_S) << int(Qt::NoModifier);
}

void TestShortcutList::releaseOfUncapturedKeyKeepsCell()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    CShortcutList list;
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentCell(0, 1);
    QTest::keyRelease(&list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(cell(list, 0), QStringLiteral("Alt + E"));
    // A press seen by the list still makes its release count.
    QTest::keyPress(&list, Qt::Key_Shift, Qt::NoModifier);
    QTest::keyRelease(&list, Qt::Key_Shift, Qt::ShiftModifier);
    QCOMPARE(cell(list, 0), QString());
}

void TestShortcutList::keyboardNavigation()
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* list = new CShortcutList(&window);
    auto* after = new QLineEdit(&window);
    list->move(0, 40);
    after->move(0, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    // The press moves the focus; its release arrives at the list.
    QTest::keyPress(edit, Qt::Key_Tab);
    QTRY_VERIFY(list->hasFocus());
    QTest::keyRelease(list, Qt::Key_Tab);
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(cell(*list, 0), QStringLiteral("Alt + E"));

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentRow(), 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(cell(*list, 0), QStringLiteral("Alt + E"));
    QCOMPARE(cell(*list, 1), QStringLiteral("Alt + S"));

    // With a modifier an arrow is captured like any other key.
    QTest::keyPress(list, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(cell(*list, 1), QStringLiteral("Alt"));
    QTest::keyRelease(list, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(cell(*list, 1), QString());
    QTest::keyPress(list, Qt::Key_F7, Qt::ControlModifier);
    QTest::keyRelease(list, Qt::Key_F7, Qt::ControlModifier);
    QCOMPARE(cell(*list, 1), QStringLiteral("Ctrl + F7"));

    // Tab leaves the table and changes no cell.
    QTest::keyPress(list, Qt::Key_Tab);
    QTRY_VERIFY(after->hasFocus());
    QTest::keyRelease(after, Qt::Key_Tab);
    QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(list->hasFocus());
    QCOMPARE(cell(*list, 0), QStringLiteral("Alt + E"));
    QCOMPARE(cell(*list, 1), QStringLiteral("Ctrl + F7"));
}

void TestShortcutList::restoreDefaults()
{
    AppConfig.ShortcutShowMainWnd = QStringLiteral("Ctrl + 1");
    AppConfig.ShortcutStartSnapshot = QString();
    CShortcutList list;
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setCurrentCell(1, 1);
    QTest::keyPress(&list, Qt::Key_K, Qt::ShiftModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Shift + K"));
    list.restoreDefaults();
    QCOMPARE(cell(list, 0), QStringLiteral("Alt + E"));
    QCOMPARE(cell(list, 1), QStringLiteral("Alt + S"));
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Ctrl + 1"));
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QString());
    // The pending combination survives "Default".
    QTest::keyPress(&list, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(cell(list, 1), QStringLiteral("Ctrl + K"));
}

void TestShortcutList::pageForwardsToList()
{
    AppConfig.ShortcutShowMainWnd = QStringLiteral("Shift+F3");
    CShortcutPage page;
    auto* list = page.findChild<CShortcutList*>();
    QVERIFY(list);
    QCOMPARE(cell(*list, 0), QStringLiteral("Shift + F3"));
    page.restoreDefaults();
    page.saveSettings();
    QCOMPARE(AppConfig.ShortcutShowMainWnd, QStringLiteral("Alt + E"));
    QCOMPARE(AppConfig.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Ctrl+Z");
    page.loadSettings();
    QCOMPARE(cell(*list, 1), QStringLiteral("Ctrl + Z"));
}

QTEST_MAIN(TestShortcutList)
#include "tst_shortcutlist.moc"
