// OK tells the user when a hot key cannot be grabbed because another program
// holds the combination, instead of closing as if all went well.
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "options/OptionsDialog.h"
#include "options/ShortcutList.h"
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace TestSupport;

class TestHotKeyWarning : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void warnsAboutHeldCombinations_data();
    void warnsAboutHeldCombinations();

private:
    QProcess* m_holder = nullptr;
};

void TestHotKeyWarning::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    initVireoscapeResources();
    setApplicationIdentity();
    // The real program grabs Alt + S and Alt + E once its window shows.
    m_holder = startProgram({});
    QVERIFY(m_holder->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Vireoscape$")).size(), 1, 10000);
}

void TestHotKeyWarning::cleanupTestCase()
{
    if (m_holder) {
        m_holder->terminate();
        if (!m_holder->waitForFinished(5000))
            m_holder->kill();
        delete m_holder;
    }
}

void TestHotKeyWarning::warnsAboutHeldCombinations_data()
{
    QTest::addColumn<int>("startKey"); // 0: keep the stored combination
    QTest::addColumn<int>("showKey");
    QTest::addColumn<QString>("warning"); // empty: no warning expected
    QTest::newRow("both held by the other program") << 0 << 0 << "Alt + S, Alt + E";
    QTest::newRow("one moved to a free combination") << int(Qt::Key_J) << 0 << "Alt + E";
    QTest::newRow("both free") << int(Qt::Key_J) << int(Qt::Key_H) << "";
}

void TestHotKeyWarning::warnsAboutHeldCombinations()
{
    QFETCH(int, startKey);
    QFETCH(int, showKey);
    QFETCH(QString, warning);
    AppConfig = CAppConfig::defaults();
    Vireoscape window;
    QVERIFY(!window.startSnapshotShortcut()->isRegistered());

    // The dialog as the main window runs it: the hot keys are registered
    // anew, and reported, once it is accepted.
    QString shown;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            box->button(QMessageBox::Ok)->click();
        } else if (auto* dialog = qobject_cast<COptionsDialog*>(modal)) {
            auto* list = dialog->findChild<CShortcutList*>();
            const int keys[] = {showKey, startKey};
            for (int row = 0; row < 2; ++row) {
                if (!keys[row])
                    continue;
                list->setCurrentCell(row, 1);
                QTest::keyPress(list, Qt::Key(keys[row]), Qt::ControlModifier | Qt::AltModifier);
                QTest::keyRelease(list, Qt::Key(keys[row]), Qt::ControlModifier | Qt::AltModifier);
            }
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        }
    });
    watcher.start(50);
    window.OnOption();
    watcher.stop();

    if (warning.isEmpty()) {
        QCOMPARE(shown, QString());
        QVERIFY(window.startSnapshotShortcut()->isRegistered());
        QVERIFY(window.showMainWndShortcut()->isRegistered());
    } else {
        QVERIFY2(shown.contains(warning), qPrintable(shown));
    }
    // The settings are stored either way.
    QCOMPARE(AppConfig.ShortcutStartSnapshot,
             startKey ? QStringLiteral("Ctrl + Alt + J") : QStringLiteral("Alt + S"));
}

QTEST_MAIN(TestHotKeyWarning)
#include "tst_hotkeywarning.moc"
