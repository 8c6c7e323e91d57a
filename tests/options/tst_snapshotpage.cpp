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
    void init();
    void extension_data();
    void extension();
    void quality_data();
    void quality();
    void sliderDrivesReadOnlyField();
    void checkBoxesAndTexts_data();
    void checkBoxesAndTexts();
    void restoreDefaultsReloadsRecord();
    void browse_data();
    void browse();
    void browseAbortedByDraggingOff();
};

void TestSnapshotPage::init()
{
    AppConfig = CAppConfig::defaults();
}

void TestSnapshotPage::extension_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow(".png is the first entry") << ".png" << 0;
    QTest::newRow(".jpg is the second entry") << ".jpg" << 1;
    QTest::newRow(".bmp is the third entry") << ".bmp" << 2;
    QTest::newRow(".xbm is the last entry") << ".xbm" << 3;
    QTest::newRow("upper case matches nothing") << ".JPG" << -1;
    QTest::newRow("no dot matches nothing") << "jpg" << -1;
    QTest::newRow(".jpeg matches nothing") << ".jpeg" << -1;
    QTest::newRow("empty matches nothing") << "" << -1;
}

void TestSnapshotPage::extension()
{
    QFETCH(QString, stored);
    QFETCH(int, index);
    AppConfig.SnapshotFileNameExt = stored;
    CSnapshotPage page;
    auto* combo = control<QComboBox>(page, "fileExtComboBox");
    QVERIFY(combo);
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->currentIndex(), index);
    page.saveSettings();
    // An extension the list does not know is kept, never emptied.
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
    QTest::newRow("31 just above the floor") << 31 << 31;
}

void TestSnapshotPage::quality()
{
    QFETCH(int, stored);
    QFETCH(int, shown);
    AppConfig.ImageQuality = stored;
    CSnapshotPage page;
    auto* slider = control<QSlider>(page, "qualitySlider");
    auto* field = control<QLineEdit>(page, "qualityEdit");
    QVERIFY(slider && field);
    QCOMPARE(slider->value(), shown);
    QCOMPARE(field->text(), QString::number(shown));
    AppConfig.ImageQuality = -7;
    page.saveSettings();
    QCOMPARE(AppConfig.ImageQuality, shown);
}

void TestSnapshotPage::sliderDrivesReadOnlyField()
{
    CSnapshotPage page;
    auto* slider = control<QSlider>(page, "qualitySlider");
    auto* field = control<QLineEdit>(page, "qualityEdit");
    QCOMPARE(slider->minimum(), 30);
    QCOMPARE(slider->maximum(), 100);
    QVERIFY(!field->isEnabled());
    QVERIFY(field->maximumWidth() <= 30);

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(field->text(), QStringLiteral("100"));
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(field->text(), QStringLiteral("30"));
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(field->text(), QStringLiteral("31"));
    QTest::keyClicks(field, QStringLiteral("99"));
    QCOMPARE(field->text(), QStringLiteral("31"));
    page.saveSettings();
    QCOMPARE(AppConfig.ImageQuality, 31);
}

void TestSnapshotPage::checkBoxesAndTexts_data()
{
    QTest::addColumn<int>("flags"); // bits: double click, shadow, clipboard, file
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("all off, plain texts") << 0 << "/pictures"
                                          << "Shot";
    QTest::newRow("all on, default pattern") << 15 << "/pictures/shots"
                                             << "Snapshot_%Y_%M_%D_%h_%m_%s";
    QTest::newRow("alternating, trailing separator and blanks") << 5 << "/pictures/ "
                                                                << " name %s ";
    QTest::newRow("alternating the other way, empty texts") << 10 << ""
                                                            << "";
}

void TestSnapshotPage::checkBoxesAndTexts()
{
    QFETCH(int, flags);
    QFETCH(QString, path);
    QFETCH(QString, pattern);
    bool* const fields[] = {&AppConfig.SnapshotAfterDlbClk, &AppConfig.SnapshotShadow,
                            &AppConfig.CopyToClipboardAfterFinish, &AppConfig.SaveToFileAfterFinish};
    const char* const names[] = {"snapshotAfterDblClkCheckBox", "shadowCheckBox", "copyToClipboardCheckBox",
                                 "saveToFileCheckBox"};
    for (int i = 0; i < 4; ++i)
        *fields[i] = flags & (1 << i);
    AppConfig.SnapshotFilePath = QStringLiteral("/elsewhere");
    AppConfig.SnapshotFileName = QStringLiteral("other");
    CSnapshotPage page;
    for (int i = 0; i < 4; ++i) {
        auto* box = control<QCheckBox>(page, names[i]);
        QVERIFY2(box, names[i]);
        QCOMPARE(box->isChecked(), bool(flags & (1 << i)));
        box->setChecked(!box->isChecked());
    }
    // Typed texts are stored exactly as typed.
    auto* pathEdit = control<QLineEdit>(page, "filePathEdit");
    auto* nameEdit = control<QLineEdit>(page, "fileNameEdit");
    pathEdit->clear();
    nameEdit->clear();
    QTest::keyClicks(pathEdit, path);
    QTest::keyClicks(nameEdit, pattern);
    page.saveSettings();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(*fields[i], !(flags & (1 << i)));
    QCOMPARE(AppConfig.SnapshotFilePath, path);
    QCOMPARE(AppConfig.SnapshotFileName, pattern);
}

void TestSnapshotPage::restoreDefaultsReloadsRecord()
{
    AppConfig.SnapshotFilePath = QStringLiteral("/pictures");
    AppConfig.SnapshotFileName = QStringLiteral("mine_%s");
    AppConfig.SnapshotFileNameExt = QStringLiteral(".bmp");
    AppConfig.ImageQuality = 45;
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SnapshotShadow = false;
    CSnapshotPage page;
    control<QLineEdit>(page, "filePathEdit")->setText(QStringLiteral("/typed"));
    control<QLineEdit>(page, "fileNameEdit")->setText(QStringLiteral("typed"));
    control<QCheckBox>(page, "copyToClipboardCheckBox")->setChecked(false);
    control<QCheckBox>(page, "shadowCheckBox")->setChecked(true);
    control<QSlider>(page, "qualitySlider")->setValue(99);

    const CAppConfig before = AppConfig;
    page.restoreDefaults();
    QCOMPARE(AppConfig.SnapshotFilePath, before.SnapshotFilePath);
    QCOMPARE(AppConfig.ImageQuality, before.ImageQuality);
    QCOMPARE(control<QLineEdit>(page, "filePathEdit")->text(), QStringLiteral("/pictures"));
    QCOMPARE(control<QLineEdit>(page, "fileNameEdit")->text(), QStringLiteral("mine_%s"));
    QVERIFY(control<QCheckBox>(page, "copyToClipboardCheckBox")->isChecked());
    QVERIFY(!control<QCheckBox>(page, "shadowCheckBox")->isChecked());
    QCOMPARE(control<QComboBox>(page, "fileExtComboBox")->currentText(), QStringLiteral(".png"));
    QCOMPARE(control<QLineEdit>(page, "qualityEdit")->text(), QStringLiteral("80"));

    page.saveSettings();
    QCOMPARE(AppConfig.SnapshotFileNameExt, QStringLiteral(".png"));
    QCOMPARE(AppConfig.ImageQuality, 80);
    QCOMPARE(AppConfig.SnapshotFileName, QStringLiteral("mine_%s"));
}

void TestSnapshotPage::browse_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("result");
    QTest::newRow("chosen directory replaces the text") << "/typed/dir"
                                                        << "/chosen"
                                                        << "/chosen";
    QTest::newRow("cancel keeps the typed text") << "/typed/dir "
                                                 << ""
                                                 << "/typed/dir ";
    QTest::newRow("starts from an empty field") << ""
                                                << "/chosen"
                                                << "/chosen";
}

void TestSnapshotPage::browse()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    ScriptedSnapshotPage page;
    page.answer = answer;
    auto* pathEdit = control<QLineEdit>(page, "filePathEdit");
    pathEdit->setText(typed);
    auto* button = control<QPushButton>(page, "browseButton");
    QCOMPARE(button->text(), QStringLiteral("..."));
    page.show();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(page.askedWith, QStringList{typed});
    QCOMPARE(pathEdit->text(), result);
    QCOMPARE(AppConfig.SnapshotFilePath, CAppConfig::defaults().SnapshotFilePath);
}

void TestSnapshotPage::browseAbortedByDraggingOff()
{
    ScriptedSnapshotPage page;
    page.answer = QStringLiteral("/chosen");
    auto* button = control<QPushButton>(page, "browseButton");
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTest::mousePress(button, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(-20, -20), button->mapToGlobal(QPointF(-20, -20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &move);
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    QVERIFY(page.askedWith.isEmpty());
    QCOMPARE(control<QLineEdit>(page, "filePathEdit")->text(), AppConfig.SnapshotFilePath);
}

QTEST_MAIN(TestSnapshotPage)
#include "tst_snapshotpage.moc"
