#include "config/AppConfig.h"
#include "options/GeneralPage.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QtTest>

class TestGeneralPage : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
    void actionAfterFinish_data();
    void actionAfterFinish();
    void checkBoxes_data();
    void checkBoxes();
    void restoreDefaults();
};

namespace {

QList<QRadioButton*> radios(const CGeneralPage& page)
{
    return {page.findChild<QRadioButton*>(QStringLiteral("hideToTrayRadio")),
            page.findChild<QRadioButton*>(QStringLiteral("showMainWndRadio")),
            page.findChild<QRadioButton*>(QStringLiteral("exitAppRadio"))};
}

} // namespace

void TestGeneralPage::actionAfterFinish_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("checkedRadio"); // -1: none
    QTest::newRow("0 checks hide to tray") << 0 << 0;
    QTest::newRow("1 checks show main window") << 1 << 1;
    QTest::newRow("2 checks exit application") << 2 << 2;
    // Unknown values check nothing and are kept, not turned into "exit".
    QTest::newRow("5 checks none") << 5 << -1;
    QTest::newRow("-1 checks none") << -1 << -1;
}

void TestGeneralPage::actionAfterFinish()
{
    QFETCH(int, stored);
    QFETCH(int, checkedRadio);
    AppConfig.GenActionAfterFinish = stored;
    CGeneralPage page;
    const QList<QRadioButton*> buttons = radios(page);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(buttons[i]->isChecked(), i == checkedRadio);
    page.saveSettings();
    QCOMPARE(AppConfig.GenActionAfterFinish, stored);

    // A click checks one radio of the exclusive group, which OK then stores.
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    for (int i : {2, 0, 1}) {
        QTest::mouseClick(buttons[i], Qt::LeftButton);
        QCOMPARE(buttons[(i + 1) % 3]->isChecked(), false);
        page.saveSettings();
        QCOMPARE(AppConfig.GenActionAfterFinish, i);
    }
}

void TestGeneralPage::checkBoxes_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("autoHide");
    QTest::addColumn<bool>("closeToTray");
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("all on") << true << true << true;
    QTest::newRow("only auto hide") << false << true << false;
}

void TestGeneralPage::checkBoxes()
{
    QFETCH(bool, autoRun);
    QFETCH(bool, autoHide);
    QFETCH(bool, closeToTray);
    bool* const fields[] = {&AppConfig.GenAutoRun, &AppConfig.GenAutoHide, &AppConfig.GenCloseToTray};
    const bool values[] = {autoRun, autoHide, closeToTray};
    for (int i = 0; i < 3; ++i)
        *fields[i] = values[i];
    CGeneralPage page;
    const QList<QCheckBox*> boxes = {page.findChild<QCheckBox*>(QStringLiteral("autoRunCheckBox")),
                                     page.findChild<QCheckBox*>(QStringLiteral("autoHideCheckBox")),
                                     page.findChild<QCheckBox*>(QStringLiteral("closeToTrayCheckBox"))};
    // Each box shows and writes its own field: flip them all and save.
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(boxes[i]->isChecked(), values[i]);
        boxes[i]->setChecked(!values[i]);
    }
    page.saveSettings();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(*fields[i], !values[i]);
}

void TestGeneralPage::restoreDefaults()
{
    AppConfig.GenAutoRun = false;
    AppConfig.GenAutoHide = true;
    AppConfig.GenCloseToTray = false;
    AppConfig.GenActionAfterFinish = 0;
    const CAppConfig before = AppConfig;
    CGeneralPage page;
    page.restoreDefaults();
    QCOMPARE(AppConfig.GenAutoHide, before.GenAutoHide); // only the controls change
    QCOMPARE(AppConfig.GenActionAfterFinish, before.GenActionAfterFinish);
    page.saveSettings();
    QCOMPARE(AppConfig.GenAutoRun, true);
    QCOMPARE(AppConfig.GenAutoHide, false);
    QCOMPARE(AppConfig.GenCloseToTray, true);
    QCOMPARE(AppConfig.GenActionAfterFinish, 1);
}

QTEST_MAIN(TestGeneralPage)
#include "tst_generalpage.moc"
