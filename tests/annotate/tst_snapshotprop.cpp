#include "annotate/ColorComboBox.h"
#include "annotate/SnapshotProp.h"
#include "config/AppConfig.h"

#include <QCheckBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSlider>
#include <QtTest>

Q_DECLARE_METATYPE(DrawMode)

namespace {

const QStringList kToolControls = {"fontComboBox",  "fontColorComboBox",  "fontSizeComboBox",
                                   "frameCheckBox", "frameColorComboBox", "frameWidthComboBox",
                                   "fillCheckBox",  "fillColorComboBox"};

template <class T = QWidget> T* control(const CSnapshotProp& prop, const QString& name)
{
    return prop.findChild<T*>(name);
}

} // namespace

class TestSnapshotProp : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
    void colorComboEntries();
    void colorComboSetColor_data();
    void colorComboSetColor();
    void transparencyFromSettings_data();
    void transparencyFromSettings();
    void sliderStoresAtOnceAndEditIsNotRead();
    void loadSettings_data();
    void loadSettings();
    void widthsPerTool_data();
    void widthsPerTool();
    void frameAndFillCoupling_data();
    void frameAndFillCoupling();
    void closeStoresAndHideDoesNot();
};

void TestSnapshotProp::colorComboEntries()
{
    ColorComboBox box;
    const QStringList names = QColor::colorNames();
    QCOMPARE(box.count(), names.size());
    QCOMPARE(box.color(), QColor(names.first()));
    for (int i = 0; i < box.count(); ++i) {
        QCOMPARE(box.itemText(i), names.at(i));
        QCOMPARE(box.itemData(i).value<QColor>(), QColor(names.at(i)));
        // Each swatch shows its own colour, not the last one filled.
        const QImage swatch = box.itemData(i, Qt::DecorationRole).value<QPixmap>().toImage();
        QCOMPARE(swatch.size(), box.iconSize());
        QCOMPARE(swatch.pixelColor(swatch.width() - 1, swatch.height() - 1), QColor(names.at(i)));
    }
    QCOMPARE(box.metaObject()->userProperty().name(), "color");
}

void TestSnapshotProp::colorComboSetColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("entry");
    QTest::newRow("named red") << QColor(255, 0, 0) << "red";
    QTest::newRow("black from a stored number") << QColor::fromRgba(0xff000000) << "black";
    QTest::newRow("half-transparent red is not listed") << QColor(255, 0, 0, 128) << "";
    QTest::newRow("stored 0 (first run) is transparent") << QColor::fromRgba(0) << "transparent";
    QTest::newRow("an unnamed colour") << QColor(1, 2, 3) << "";
}

void TestSnapshotProp::colorComboSetColor()
{
    QFETCH(QColor, color);
    QFETCH(QString, entry);
    ColorComboBox box;
    box.setColor(color);
    QCOMPARE(box.currentText(), entry);
    QCOMPARE(box.color(), entry.isEmpty() ? QColor() : color);
}

void TestSnapshotProp::transparencyFromSettings_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("the default 80 survives building the slider") << 80 << 80;
    QTest::newRow("opaque") << 100 << 100;
    QTest::newRow("3 is raised to 5") << 3 << 5;
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
    control<QSlider>(prop, "transparentSlider")->setValue(37);
    QCOMPARE(AppConfig.Transparent, 37);
    QCOMPARE(control<QLineEdit>(prop, "transparentEdit")->text(), QStringLiteral("37"));
    control<QLineEdit>(prop, "transparentEdit")->setText(QStringLiteral("90"));
    QCOMPARE(prop.transparentValue(), 37);
    QCOMPARE(AppConfig.Transparent, 37);
}

void TestSnapshotProp::loadSettings_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("width");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("expectedSize");
    QTest::addColumn<int>("expectedWidth");
    QTest::addColumn<QColor>("expectedColor");
    const QColor first(QColor::colorNames().first());
    QTest::newRow("listed values") << "DejaVu Serif" << 24 << 3 << QColor(Qt::red) << 24 << 3
                                   << QColor(Qt::red);
    QTest::newRow("unlisted values select the first entries")
        << "DejaVu Serif" << 17 << 7 << QColor(255, 0, 0, 128) << 5 << 1 << first;
    QTest::newRow("first run: desktop font, transparent entry")
        << "" << 16 << 2 << QColor::fromRgba(0) << 16 << 2 << QColor::fromRgba(0);
}

void TestSnapshotProp::loadSettings()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(int, width);
    QFETCH(QColor, color);
    QFETCH(int, expectedSize);
    QFETCH(int, expectedWidth);
    QFETCH(QColor, expectedColor);
    AppConfig.FontFamity = family;
    AppConfig.FontSize = size;
    AppConfig.FrameWidth = width;
    AppConfig.FontColor = AppConfig.FrameColor = AppConfig.FillColor = color;
    AppConfig.FrameCheck = true;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr);
    const QFont expectedFont =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(family);
    QVERIFY(!QFontInfo(expectedFont).family().isEmpty());
    QCOMPARE(QFontInfo(QFont(prop.fontFamily())).family(), QFontInfo(expectedFont).family());
    QCOMPARE(prop.fontSize(), expectedSize);
    QCOMPARE(prop.frameWidth(), expectedWidth);
    QCOMPARE(prop.fontColor(), expectedColor);
    QCOMPARE(prop.frameColor(), expectedColor);
    QCOMPARE(prop.fillColor(), expectedColor);
    QVERIFY(prop.isFrameChecked() && !prop.isFillChecked());
}

void TestSnapshotProp::widthsPerTool_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<QStringList>("shown");
    const QStringList lines = {"frameColorComboBox", "frameWidthComboBox"};
    const QStringList shapes = {"frameCheckBox", "frameColorComboBox", "frameWidthComboBox", "fillCheckBox",
                                "fillColorComboBox"};
    QTest::newRow("line") << DrawMode::Line << lines;
    QTest::newRow("free hand") << DrawMode::Draw << lines;
    QTest::newRow("curve") << DrawMode::Curve << lines;
    QTest::newRow("rectangle") << DrawMode::Rectangle << shapes;
    QTest::newRow("polygon") << DrawMode::Polygon << shapes;
    QTest::newRow("text shows everything") << DrawMode::Text << kToolControls;
}

void TestSnapshotProp::widthsPerTool()
{
    QFETCH(DrawMode, mode);
    QFETCH(QStringList, shown);
    CSnapshotProp prop(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    const int designedWidth = prop.width(); // laid out, before any tool
    QVERIFY(designedWidth >= 585);
    // A fixed-size control takes its size hint, capped by its maximum width.
    auto fixedWidth = [&prop](const QString& name) {
        return qMin(control(prop, name)->sizeHint().width(), control(prop, name)->maximumWidth());
    };
    int hiddenWidth = 0;
    int neededWidth = 2 + fixedWidth("transparentEdit") + 4 + fixedWidth("transparentSlider");
    for (const QString& name : kToolControls) {
        if (shown.contains(name))
            neededWidth += fixedWidth(name) + 4;
        else
            hiddenWidth += control(prop, name)->width();
    }
    prop.show();
    prop.setGeometry(200, 300, designedWidth, prop.height());
    const int right = prop.frameGeometry().right();
    // Through every other kind of tool first: the width never accumulates.
    for (DrawMode m : {DrawMode::Text, DrawMode::Line, DrawMode::Select, DrawMode::Rectangle, mode}) {
        prop.setDrawMode(m);
        QCOMPARE(prop.frameGeometry().right(), right);
    }
    for (const QString& name : kToolControls)
        QCOMPARE(control(prop, name)->isVisibleTo(&prop), shown.contains(name));
    QVERIFY(control(prop, "transparentSlider")->isVisibleTo(&prop));
    QCOMPARE(prop.y(), 300);
    // The designed width less the hidden controls, and no room to spare
    // beyond what the shown controls need (check boxes may keep a pixel).
    QVERIFY(prop.width() <= designedWidth + 1 - hiddenWidth);
    QVERIFY2(prop.width() >= neededWidth && prop.width() <= neededWidth + 2,
             qPrintable(QString::number(prop.width())));
    QTRY_VERIFY(control(prop, "transparentSlider")->geometry().right() < prop.width());
    const QString widthTip =
        mode == DrawMode::Text ? QStringLiteral("Frame Width") : QStringLiteral("Line Width");
    QCOMPARE(control(prop, "frameWidthComboBox")->toolTip(), widthTip);
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
    AppConfig.FrameCheck = false;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr);
    prop.setDrawMode(mode);
    auto* frame = control<QCheckBox>(prop, "frameCheckBox");
    auto* fill = control<QCheckBox>(prop, "fillCheckBox");
    // Entering a shape tool with neither checked checks Frame.
    QCOMPARE(frame->isChecked(), coupled);
    QCOMPARE(control(prop, "frameColorComboBox")->isEnabled(), coupled);
    QVERIFY(!control(prop, "fillColorComboBox")->isEnabled());

    frame->setChecked(true);
    frame->setChecked(false);
    QCOMPARE(fill->isChecked(), coupled);
    QCOMPARE(control(prop, "fillColorComboBox")->isEnabled(), coupled);
    QVERIFY(!control(prop, "frameWidthComboBox")->isEnabled());
    fill->setChecked(true);
    fill->setChecked(false);
    QCOMPARE(frame->isChecked(), coupled);
    QCOMPARE(control(prop, "frameWidthComboBox")->isEnabled(), coupled);
    QVERIFY(!control(prop, "fillColorComboBox")->isEnabled());
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
    prop.hide();
    QCOMPARE(AppConfig.FontSize, 16);

    prop.show();
    QVERIFY(prop.close());
    QCOMPARE(AppConfig.FontFamity, QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(AppConfig.FontColor, QColor(Qt::red));
    QCOMPARE(AppConfig.FontSize, 45);
    QVERIFY(AppConfig.FrameCheck);
    QCOMPARE(AppConfig.FrameColor, QColor(Qt::blue));
    QCOMPARE(AppConfig.FrameWidth, 5);
    QVERIFY(!AppConfig.FillCheck);
    QCOMPARE(AppConfig.FillColor, QColor(Qt::cyan));
    QCOMPARE(AppConfig.Transparent, 60);
}

QTEST_MAIN(TestSnapshotProp)
#include "tst_snapshotprop.moc"
