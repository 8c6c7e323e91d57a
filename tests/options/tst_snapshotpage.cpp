#include "config/AppConfig.h"
#include "options/SnapshotPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace {

// The page with its directory chooser replaced by a scripted answer.
class ScriptedSnapshotPage : public CSnapshotPage
{
public:
    QString answer;
    QStringList askedWith;

protected:
    QString chooseDirectory(const QString& start) override
    {
        askedWith << start;
        return answer;
    }
};

template <class T> T* control(const QWidget& page, const char* name)
{
    return page.findChild<T*>(QLatin1String(name));
}

} // namespace

class TestSnapshotPage : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
    void extension_data();
    void extension();
    void quality_data();
    void quality();
    void checkBoxesAndTexts();
    void restoreDefaultsReloadsRecord();
    void browse_data();
    void browse();
};

void TestSnapshotPage::extension_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow(".png is the first entry") << ".png" << 0;
    QTest::newRow(".jpg is the second entry") << ".jpg" << 1;
    QTest::newRow(".xbm is the last entry") << ".xbm" << 3;
    QTest::newRow("upper case matches nothing") << ".JPG" << -1;
    QTest::newRow("no dot matches nothing") << "jpg" << -1;
    QTest::newRow("empty matches nothing") << "" << -1;
}

void TestSnapshotPage::extension()
{
    QFETCH(QString, stored);
    QFETCH(int, index);
    AppConfig.SnapshotFileNameExt = stored;
    CSnapshotPage page;
    auto* combo = control<QComboBox>(page, "fileExtComboBox");
    QCOMPARE(combo->currentIndex(), index);
    page.saveSettings();
    // An extension the list does not hold is kept, never emptied.
    QCOMPARE(AppConfig.SnapshotFileNameExt, stored);
    combo->setCurrentIndex(2);
    page.saveSettings();
    QCOMPARE(AppConfig.SnapshotFileNameExt, QStringLiteral(".bmp"));
}

void TestSnapshotPage::quality_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("default 80") << 80 << 80;
    QTest::newRow("lowest 30") << 30 << 30;
    QTest::newRow("highest 100") << 100 << 100;
    QTest::newRow("10 shows and stores 30") << 10 << 30;
    QTest::newRow("0 shows and stores 30") << 0 << 30;
}

void TestSnapshotPage::quality()
{
    QFETCH(int, stored);
    QFETCH(int, shown);
    AppConfig.ImageQuality = stored;
    CSnapshotPage page;
    auto* slider = control<QSlider>(page, "qualitySlider");
    auto* field = control<QLineEdit>(page, "qualityEdit");
    QCOMPARE(slider->value(), shown);
    QCOMPARE(field->text(), QString::number(shown));
    page.saveSettings();
    QCOMPARE(AppConfig.ImageQuality, shown);

    // The field follows the slider at once and takes no typing.
    QVERIFY(!field->isEnabled());
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(field->text(), QStringLiteral("100"));
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClicks(field, QStringLiteral("99"));
    page.saveSettings();
    QCOMPARE(AppConfig.ImageQuality, 31);
}

void TestSnapshotPage::checkBoxesAndTexts()
{
    const char* const names[] = {"snapshotAfterDblClkCheckBox", "shadowCheckBox", "copyToClipboardCheckBox",
                                 "saveToFileCheckBox"};
    bool* const fields[] = {&AppConfig.SnapshotAfterDlbClk, &AppConfig.SnapshotShadow,
                            &AppConfig.CopyToClipboardAfterFinish, &AppConfig.SaveToFileAfterFinish};
    for (int flags : {0b0101, 0b1010}) {
        for (int i = 0; i < 4; ++i)
            *fields[i] = flags & (1 << i);
        CSnapshotPage page;
        for (int i = 0; i < 4; ++i) {
            auto* box = control<QCheckBox>(page, names[i]);
            QCOMPARE(box->isChecked(), bool(flags & (1 << i)));
            box->toggle();
        }
        // Typed texts are stored exactly as typed, blanks and separators too.
        control<QLineEdit>(page, "filePathEdit")->setText(QStringLiteral("/pictures/ "));
        control<QLineEdit>(page, "fileNameEdit")->setText(QStringLiteral(" shot %s "));
        page.saveSettings();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(*fields[i], !(flags & (1 << i)));
        QCOMPARE(AppConfig.SnapshotFilePath, QStringLiteral("/pictures/ "));
        QCOMPARE(AppConfig.SnapshotFileName, QStringLiteral(" shot %s "));
    }
}

void TestSnapshotPage::restoreDefaultsReloadsRecord()
{
    AppConfig.SnapshotFilePath = QStringLiteral("/pictures");
    AppConfig.SnapshotFileName = QStringLiteral("mine_%s");
    AppConfig.SnapshotFileNameExt = QStringLiteral(".bmp");
    AppConfig.ImageQuality = 45;
    AppConfig.CopyToClipboardAfterFinish = true;
    CSnapshotPage page;
    control<QLineEdit>(page, "filePathEdit")->setText(QStringLiteral("/typed"));
    control<QLineEdit>(page, "fileNameEdit")->setText(QStringLiteral("typed"));
    control<QCheckBox>(page, "copyToClipboardCheckBox")->setChecked(false);
    control<QSlider>(page, "qualitySlider")->setValue(99);

    page.restoreDefaults();
    QCOMPARE(AppConfig.ImageQuality, 45); // nothing stored before OK
    QCOMPARE(control<QLineEdit>(page, "qualityEdit")->text(), QStringLiteral("80"));
    page.saveSettings();
    QCOMPARE(AppConfig.SnapshotFilePath, QStringLiteral("/pictures"));
    QCOMPARE(AppConfig.SnapshotFileName, QStringLiteral("mine_%s"));
    QCOMPARE(AppConfig.CopyToClipboardAfterFinish, true);
    QCOMPARE(AppConfig.SnapshotFileNameExt, QStringLiteral(".png"));
    QCOMPARE(AppConfig.ImageQuality, 80);
}

void TestSnapshotPage::browse_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("dragOff");
    QTest::addColumn<QString>("result");
    QTest::newRow("chosen directory replaces the text") << "/typed/dir"
                                                        << "/chosen" << false << "/chosen";
    QTest::newRow("cancel keeps the typed text") << "/typed/dir "
                                                 << "" << false << "/typed/dir ";
    QTest::newRow("dragging off the button opens nothing") << "/typed"
                                                           << "/chosen" << true << "/typed";
}

void TestSnapshotPage::browse()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(bool, dragOff);
    QFETCH(QString, result);
    ScriptedSnapshotPage page;
    page.answer = answer;
    auto* pathEdit = control<QLineEdit>(page, "filePathEdit");
    pathEdit->setText(typed);
    auto* button = control<QPushButton>(page, "browseButton");
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    if (dragOff) {
        const QPoint outside(-20, -20);
        QTest::mousePress(button, Qt::LeftButton);
        QMouseEvent move(QEvent::MouseMove, outside, button->mapToGlobal(outside), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, outside);
        QVERIFY(page.askedWith.isEmpty());
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(page.askedWith, QStringList{typed}); // starts in the typed directory
    }
    QCOMPARE(pathEdit->text(), result);
}

QTEST_MAIN(TestSnapshotPage)
#include "tst_snapshotpage.moc"
