#include "annotate/ColorComboBox.h"
#include "annotate/SnapshotProp.h"
#include "config/AppConfig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QSlider>
#include <QtTest>

Q_DECLARE_METATYPE(DrawMode)

namespace {

const char* const kToolControls[] = {"fontComboBox",  "fontColorComboBox",  "fontSizeComboBox",
                                     "frameCheckBox", "frameColorComboBox", "frameWidthComboBox",
                                     "fillCheckBox",  "fillColorComboBox"};

template <class T> T* control(CSnapshotProp& prop, const char* name)
{
    T* w = prop.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

} // namespace

class TestSnapshotProp : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void transparencyFromSettings_data();
    void transparencyFromSettings();
    void sliderStoresAtOnceAndEditIsNotRead();
    void loadSettings_data();
    void loadSettings();
    void gettersReadTheControls();
    void firstRunFontIsTheDesktopFont();
    void widthsPerTool_data();
    void widthsPerTool();
    void switchingBetweenToolsKeepsTheRightEdge();
    void frameAndFillCoupling_data();
    void frameAndFillCoupling();
    void shapeModeForcesFrameWhenNothingIsChecked();
    void closeStoresAndHideDoesNot();
};

void TestSnapshotProp::init()
{
    AppConfig = CAppConfig::defaults();
}

void TestSnapshotProp::transparencyFromSettings_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("the default 80 survives building the slider") << 80 << 80;
    QTest::newRow("opaque") << 100 << 100;
    QTest::newRow("smallest allowed") << 5 << 5;
    QTest::newRow("3 is raised to 5") << 3 << 5;
    QTest::newRow("negative is raised to 5") << -20 << 5;
    QTest::newRow("250 is lowered to 100") << 250 << 100;
}

void TestSnapshotProp::transparencyFromSettings()
{
    QFETCH(int, stored);
    QFETCH(int, shown);
    AppConfig.Transparent = stored;
    CSnapshotProp prop(nullptr);
    QCOMPARE(prop.transparentValue(), shown);
    QCOMPARE(control<QLineEdit>(prop, "transparentEdit")->text(), QString::number(shown));
    QCOMPARE(AppConfig.Transparent, shown);
}

void TestSnapshotProp::sliderStoresAtOnceAndEditIsNotRead()
{
    CSnapshotProp prop(nullptr);
    auto* slider = control<QSlider>(prop, "transparentSlider");
    auto* edit = control<QLineEdit>(prop, "transparentEdit");
    QCOMPARE(slider->minimum(), 5);
    QCOMPARE(slider->maximum(), 100);
    slider->setValue(37);
    QCOMPARE(AppConfig.Transparent, 37);
    QCOMPARE(edit->text(), QStringLiteral("37"));

    edit->setText(QStringLiteral("90"));
    QCOMPARE(prop.transparentValue(), 37);
    QCOMPARE(AppConfig.Transparent, 37);
}

void TestSnapshotProp::loadSettings_data()
{
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("frameWidth");
    QTest::addColumn<QColor>("fontColor");
    QTest::addColumn<QString>("fontSizeText");
    QTest::addColumn<QString>("frameWidthText");
    QTest::addColumn<QString>("fontColorName");
    QTest::newRow("listed values are selected") << 24 << 3 << QColor::fromRgba(0xffff0000) << "24"
                                                << "3"
                                                << "red";
    QTest::newRow("unlisted size and width select the first entries")
        << 17 << 7 << QColor::fromRgba(0xff0000ff) << "5"
        << "1"
        << "blue";
    QTest::newRow("half-transparent red is not listed: first colour")
        << 16 << 2 << QColor::fromRgba(0x80ff0000) << "16"
        << "2" << QColor::colorNames().first();
    QTest::newRow("first run: colour 0 selects the first colour, not an invisible one")
        << 16 << 2 << QColor::fromRgba(0) << "16"
        << "2" << QColor::colorNames().first();
}

void TestSnapshotProp::loadSettings()
{
    QFETCH(int, fontSize);
    QFETCH(int, frameWidth);
    QFETCH(QColor, fontColor);
    QFETCH(QString, fontSizeText);
    QFETCH(QString, frameWidthText);
    QFETCH(QString, fontColorName);
    AppConfig.FontSize = fontSize;
    AppConfig.FrameWidth = frameWidth;
    AppConfig.FontColor = fontColor;
    AppConfig.FrameColor = QColor(Qt::green);
    AppConfig.FillColor = QColor(Qt::yellow);
    AppConfig.FrameCheck = true;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr);
    QCOMPARE(control<QComboBox>(prop, "fontSizeComboBox")->currentText(), fontSizeText);
    QCOMPARE(control<QComboBox>(prop, "frameWidthComboBox")->currentText(), frameWidthText);
    QCOMPARE(control<ColorComboBox>(prop, "fontColorComboBox")->currentText(), fontColorName);
    QCOMPARE(prop.frameColor(), QColor(Qt::green));
    QCOMPARE(prop.fillColor(), QColor(Qt::yellow));
    QVERIFY(prop.isFrameChecked());
    QVERIFY(!prop.isFillChecked());
}

void TestSnapshotProp::gettersReadTheControls()
{
    AppConfig.FontFamity = QStringLiteral("DejaVu Serif");
    AppConfig.FontSize = 32;
    AppConfig.FrameWidth = 4;
    AppConfig.FontColor = QColor(Qt::magenta);
    CSnapshotProp prop(nullptr);
    QVERIFY(!QFontInfo(QFont(prop.fontFamily())).family().isEmpty());
    QCOMPARE(prop.fontFamily(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(prop.fontSize(), 32);
    QCOMPARE(prop.frameWidth(), 4);
    QCOMPARE(prop.fontColor(), QColor(Qt::magenta));

    const QStringList sizes = {"5", "8", "10", "12", "14", "16", "24", "32", "45"};
    auto* sizeBox = control<QComboBox>(prop, "fontSizeComboBox");
    QCOMPARE(sizeBox->count(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        QCOMPARE(sizeBox->itemText(i), sizes.at(i));
        QCOMPARE(sizeBox->itemData(i).toInt(), sizes.at(i).toInt());
    }
    QCOMPARE(control<QComboBox>(prop, "frameWidthComboBox")->count(), 5);
}

void TestSnapshotProp::firstRunFontIsTheDesktopFont()
{
    AppConfig.FontFamity.clear();
    CSnapshotProp prop(nullptr);
    const QString desktopFamily = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    QVERIFY(!desktopFamily.isEmpty());
    QCOMPARE(QFontInfo(QFont(prop.fontFamily())).family(), desktopFamily);
}

void TestSnapshotProp::widthsPerTool_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<QStringList>("shown");
    const QStringList lineControls = {"frameColorComboBox", "frameWidthComboBox"};
    const QStringList shapeControls = {"frameCheckBox", "frameColorComboBox", "frameWidthComboBox",
                                       "fillCheckBox", "fillColorComboBox"};
    QStringList all;
    for (const char* name : kToolControls)
        all << QLatin1String(name);
    QTest::newRow("line") << DrawMode::Line << lineControls;
    QTest::newRow("arrow") << DrawMode::LineArrow << lineControls;
    QTest::newRow("free hand") << DrawMode::Draw << lineControls;
    QTest::newRow("curve") << DrawMode::Curve << lineControls;
    QTest::newRow("rectangle") << DrawMode::Rectangle << shapeControls;
    QTest::newRow("ellipse") << DrawMode::Ellipse << shapeControls;
    QTest::newRow("polygon") << DrawMode::Polygon << shapeControls;
    QTest::newRow("text shows everything") << DrawMode::Text << all;
}

void TestSnapshotProp::widthsPerTool()
{
    QFETCH(DrawMode, mode);
    QFETCH(QStringList, shown);
    CSnapshotProp prop(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    // The designed layout, before any tool is chosen.
    const int designedWidth = prop.width();
    QVERIFY(designedWidth >= 585);
    int hiddenWidth = 0;
    // A fixed-size control takes its size hint, capped by its maximum width.
    auto fixedWidth = [&prop](const char* name) {
        auto* w = control<QWidget>(prop, name);
        return qMin(w->sizeHint().width(), w->maximumWidth());
    };
    int neededWidth = 2 + fixedWidth("transparentEdit") + 4 + fixedWidth("transparentSlider");
    for (const char* name : kToolControls) {
        if (!shown.contains(QLatin1String(name)))
            hiddenWidth += control<QWidget>(prop, name)->width();
        else
            neededWidth += fixedWidth(name) + 4;
    }
    prop.show();
    prop.setGeometry(200, 300, designedWidth, prop.height());
    const int right = prop.frameGeometry().right();
    prop.setDrawMode(mode);

    for (const char* name : kToolControls)
        QCOMPARE(control<QWidget>(prop, name)->isVisibleTo(&prop), shown.contains(QLatin1String(name)));
    QVERIFY(control<QWidget>(prop, "transparentEdit")->isVisibleTo(&prop));
    QVERIFY(control<QWidget>(prop, "transparentSlider")->isVisibleTo(&prop));
    QCOMPARE(prop.frameGeometry().right(), right);
    // The designed width less the hidden controls, but without room to spare
    // beyond what the shown controls need (check boxes may keep a pixel).
    QVERIFY(prop.width() <= designedWidth + 1 - hiddenWidth);
    QVERIFY2(prop.width() >= neededWidth && prop.width() <= neededWidth + 2,
             qPrintable(QStringLiteral("%1 for %2 needed").arg(prop.width()).arg(neededWidth)));
    QCOMPARE(prop.y(), 300);

    // Every shown control fits in the strip.
    QTRY_VERIFY(control<QWidget>(prop, "transparentSlider")->geometry().right() < prop.width());
    for (const char* name : kToolControls) {
        auto* w = control<QWidget>(prop, name);
        if (w->isVisibleTo(&prop))
            QVERIFY2(w->geometry().right() < prop.width(), name);
    }
}

void TestSnapshotProp::switchingBetweenToolsKeepsTheRightEdge()
{
    CSnapshotProp prop(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    const int designedWidth = prop.width();
    prop.show();
    prop.setGeometry(100, 40, designedWidth, prop.height());
    const int right = prop.frameGeometry().right();
    prop.setDrawMode(DrawMode::Text);
    const int textWidth = prop.width();
    QVERIFY(textWidth >= designedWidth);
    prop.setDrawMode(DrawMode::Line);
    QVERIFY(prop.width() < designedWidth - 200);
    QCOMPARE(prop.frameGeometry().right(), right);
    const int lineWidth = prop.width();
    prop.setDrawMode(DrawMode::Select);
    QCOMPARE(prop.width(), lineWidth);
    prop.setDrawMode(DrawMode::Erase);
    QCOMPARE(prop.width(), lineWidth);
    prop.setDrawMode(DrawMode::Text);
    QCOMPARE(prop.width(), textWidth);
    QCOMPARE(prop.frameGeometry().right(), right);
    for (const char* name : kToolControls)
        QVERIFY2(control<QWidget>(prop, name)->isVisibleTo(&prop), name);
    QCOMPARE(control<QWidget>(prop, "frameWidthComboBox")->toolTip(), QStringLiteral("Frame Width"));
    prop.setDrawMode(DrawMode::Line);
    QCOMPARE(control<QWidget>(prop, "frameWidthComboBox")->toolTip(), QStringLiteral("Line Width"));
}

void TestSnapshotProp::frameAndFillCoupling_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("coupled");
    QTest::newRow("rectangle couples") << DrawMode::Rectangle << true;
    QTest::newRow("ellipse couples") << DrawMode::Ellipse << true;
    QTest::newRow("polygon couples") << DrawMode::Polygon << true;
    QTest::newRow("text lets both go off") << DrawMode::Text << false;
}

void TestSnapshotProp::frameAndFillCoupling()
{
    QFETCH(DrawMode, mode);
    QFETCH(bool, coupled);
    AppConfig.FrameCheck = true;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr);
    prop.setDrawMode(mode);
    auto* frame = control<QCheckBox>(prop, "frameCheckBox");
    auto* fill = control<QCheckBox>(prop, "fillCheckBox");
    auto* fillColor = control<QWidget>(prop, "fillColorComboBox");
    auto* frameColor = control<QWidget>(prop, "frameColorComboBox");
    auto* frameWidth = control<QWidget>(prop, "frameWidthComboBox");
    QVERIFY(!fillColor->isEnabled());
    QVERIFY(frameColor->isEnabled());

    frame->setChecked(false);
    QCOMPARE(fill->isChecked(), coupled);
    QCOMPARE(fillColor->isEnabled(), coupled);
    QVERIFY(!frameColor->isEnabled());
    QVERIFY(!frameWidth->isEnabled());

    fill->setChecked(true);
    fill->setChecked(false);
    QCOMPARE(frame->isChecked(), coupled);
    QCOMPARE(frameColor->isEnabled(), coupled);
    QCOMPARE(frameWidth->isEnabled(), coupled);
    QVERIFY(!fillColor->isEnabled());
    QVERIFY(prop.isFrameChecked() || prop.isFillChecked() || !coupled);
}

void TestSnapshotProp::shapeModeForcesFrameWhenNothingIsChecked()
{
    AppConfig.FrameCheck = false;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr);
    prop.setDrawMode(DrawMode::Text);
    QVERIFY(!prop.isFrameChecked());
    QVERIFY(!prop.isFillChecked());
    prop.setDrawMode(DrawMode::Ellipse);
    QVERIFY(prop.isFrameChecked());
    QVERIFY(!prop.isFillChecked());
    QVERIFY(control<QWidget>(prop, "frameColorComboBox")->isEnabled());
    QVERIFY(!control<QWidget>(prop, "fillColorComboBox")->isEnabled());
}

void TestSnapshotProp::closeStoresAndHideDoesNot()
{
    CSnapshotProp prop(nullptr);
    prop.show();
    control<QFontComboBox>(prop, "fontComboBox")->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    control<ColorComboBox>(prop, "fontColorComboBox")->setColor(QColor(Qt::red));
    control<QComboBox>(prop, "fontSizeComboBox")->setCurrentIndex(8);
    control<QCheckBox>(prop, "frameCheckBox")->setChecked(true);
    control<ColorComboBox>(prop, "frameColorComboBox")->setColor(QColor(Qt::blue));
    control<QComboBox>(prop, "frameWidthComboBox")->setCurrentIndex(4);
    control<QCheckBox>(prop, "fillCheckBox")->setChecked(false);
    control<ColorComboBox>(prop, "fillColorComboBox")->setColor(QColor(Qt::cyan));
    control<QSlider>(prop, "transparentSlider")->setValue(60);

    AppConfig.FontSize = 16;
    prop.hide();
    QCOMPARE(AppConfig.FontSize, 16);

    prop.show();
    QVERIFY(prop.close());
    QVERIFY(!prop.isVisible());
    QCOMPARE(AppConfig.FontFamity, QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(AppConfig.FontColor, QColor(Qt::red));
    QCOMPARE(AppConfig.FontSize, 45);
    QVERIFY(AppConfig.FrameCheck);
    QCOMPARE(AppConfig.FrameColor, QColor(Qt::blue));
    QCOMPARE(AppConfig.FrameWidth, 5);
    QVERIFY(!AppConfig.FillCheck);
    QCOMPARE(AppConfig.FillColor, QColor(Qt::cyan));
    QCOMPARE(AppConfig.Transparent, 60);
    QCOMPARE(prop.result(), int(QDialog::Rejected)); // closed without the dialog's own reject()

    // A second strip built from the stored record shows the same choices.
    CSnapshotProp again(nullptr);
    QCOMPARE(again.fontFamily(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(again.fontColor(), QColor(Qt::red));
    QCOMPARE(again.fontSize(), 45);
    QCOMPARE(again.frameWidth(), 5);
    QCOMPARE(again.fillColor(), QColor(Qt::cyan));
    QCOMPARE(again.transparentValue(), 60);
}

QTEST_MAIN(TestSnapshotProp)
#include "tst_snapshotprop.moc"
