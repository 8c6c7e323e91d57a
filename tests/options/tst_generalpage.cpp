#include "config/AppConfig.h"
#include "options/GeneralPage.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QtTest>

class TestGeneralPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void actionAfterFinish_data();
    void actionAfterFinish();
    void checkBoxes_data();
    void checkBoxes();
    void userChoiceIsStored();
    void restoreDefaults();

private:
    static QList<QRadioButton*> radios(const CGeneralPage& page);
};

void TestGeneralPage::init()
{
    AppConfig = CAppConfig::defaults();
}

QList<QRadioButton*> TestGeneralPage::radios(const CGeneralPage& page)
{
    return {page.findChild<QRadioButton*>(QStringLiteral("hideToTrayRadio")),
            page.findChild<QRadioButton*>(QStringLiteral("showMainWndRadio")),
            page.findChild<QRadioButton*>(QStringLiteral("exitAppRadio"))};
}

void TestGeneralPage::actionAfterFinish_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("checkedRadio"); // -1: none
    QTest::newRow("0 checks hide to tray") << 0 << 0;
    QTest::newRow("1 checks show main window") << 1 << 1;
    QTest::newRow("2 checks exit application") << 2 << 2;
    // An unknown value checks nothing and must not turn into "exit" on OK;
    // every value is written back unchanged.
    QTest::newRow("5 checks none and is kept") << 5 << -1;
    QTest::newRow("-1 checks none and is kept") << -1 << -1;
}

void TestGeneralPage::actionAfterFinish()
{
    QFETCH(int, stored);
    QFETCH(int, checkedRadio);
    AppConfig.GenActionAfterFinish = stored;
    CGeneralPage page;
    const QList<QRadioButton*> buttons = radios(page);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(buttons[i]);
        QCOMPARE(buttons[i]->isChecked(), i == checkedRadio);
    }
    // A checked radio must write its value over whatever the record holds.
    if (checkedRadio >= 0)
        AppConfig.GenActionAfterFinish = 42;
    page.saveSettings();
    QCOMPARE(AppConfig.GenActionAfterFinish, stored);
}

void TestGeneralPage::checkBoxes_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("autoHide");
    QTest::addColumn<bool>("closeToTray");
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("all on") << true << true << true;
    QTest::newRow("only auto hide") << false << true << false;
    QTest::newRow("auto run and close to tray") << true << false << true;
}

void TestGeneralPage::checkBoxes()
{
    QFETCH(bool, autoRun);
    QFETCH(bool, autoHide);
    QFETCH(bool, closeToTray);
    AppConfig.GenAutoRun = autoRun;
    AppConfig.GenAutoHide = autoHide;
    AppConfig.GenCloseToTray = closeToTray;
    CGeneralPage page;
    auto* run = page.findChild<QCheckBox*>(QStringLiteral("autoRunCheckBox"));
    auto* hide = page.findChild<QCheckBox*>(QStringLiteral("autoHideCheckBox"));
    auto* close = page.findChild<QCheckBox*>(QStringLiteral("closeToTrayCheckBox"));
    QVERIFY(run && hide && close);
    QCOMPARE(run->text(), QStringLiteral("Auto run when start up"));
    QCOMPARE(hide->text(), QStringLiteral("Hide to tray after run"));
    QCOMPARE(close->text(), QStringLiteral("Click \"Close\" to hide to tray"));
    QCOMPARE(run->isChecked(), autoRun);
    QCOMPARE(hide->isChecked(), autoHide);
    QCOMPARE(close->isChecked(), closeToTray);

    // Each box writes its own field: flip them all and save.
    run->setChecked(!autoRun);
    hide->setChecked(!autoHide);
    close->setChecked(!closeToTray);
    page.saveSettings();
    QCOMPARE(AppConfig.GenAutoRun, !autoRun);
    QCOMPARE(AppConfig.GenAutoHide, !autoHide);
    QCOMPARE(AppConfig.GenCloseToTray, !closeToTray);
}

void TestGeneralPage::userChoiceIsStored()
{
    AppConfig.GenActionAfterFinish = 7;
    CGeneralPage page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QList<QRadioButton*> buttons = radios(page);
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    QVERIFY(buttons[2]->isChecked());
    page.saveSettings();
    QCOMPARE(AppConfig.GenActionAfterFinish, 2);
    // The radios form one exclusive group.
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    QVERIFY(!buttons[2]->isChecked());
    page.saveSettings();
    QCOMPARE(AppConfig.GenActionAfterFinish, 0);
}

void TestGeneralPage::restoreDefaults()
{
    AppConfig.GenAutoRun = false;
    AppConfig.GenAutoHide = true;
    AppConfig.GenCloseToTray = false;
    AppConfig.GenActionAfterFinish = 0;
    CGeneralPage page;
    page.restoreDefaults();
    // Only the controls change.
    QCOMPARE(AppConfig.GenAutoRun, false);
    QCOMPARE(AppConfig.GenAutoHide, true);
    QCOMPARE(AppConfig.GenCloseToTray, false);
    QCOMPARE(AppConfig.GenActionAfterFinish, 0);
    const QList<QRadioButton*> buttons = radios(page);
    QVERIFY(!buttons[0]->isChecked());
    QVERIFY(buttons[1]->isChecked());
    QVERIFY(!buttons[2]->isChecked());
    page.saveSettings();
    const CAppConfig defaults = CAppConfig::defaults();
    QCOMPARE(AppConfig.GenAutoRun, defaults.GenAutoRun);
    QCOMPARE(AppConfig.GenAutoHide, defaults.GenAutoHide);
    QCOMPARE(AppConfig.GenCloseToTray, defaults.GenCloseToTray);
    QCOMPARE(AppConfig.GenActionAfterFinish, defaults.GenActionAfterFinish);
    QCOMPARE(AppConfig.GenActionAfterFinish, 1);
}

QTEST_MAIN(TestGeneralPage)
#include "tst_generalpage.moc"
