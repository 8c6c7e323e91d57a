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
    void sliderStoresAtOnceAndEditIsNotRead();
    void widthsPerTool_data();
    void widthsPerTool();
    void frameAndFillCoupling_data();
    void frameAndFillCoupling();
};

void TestSnapshotProp::colorComboEntries()
{
    ColorComboBox box;
    QVERIFY(box.findText(QStringLiteral("transparent")) >= 0);
    box.setColor(QColor(Qt::yellow));
    QCOMPARE(box.color(), QColor(Qt::yellow));
    // Each swatch shows its own colour, not the last one filled.
    for (int i : {0, box.findText(QStringLiteral("red")), box.count() - 1}) {
        const QImage swatch = box.itemData(i, Qt::DecorationRole).value<QPixmap>().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() - 1, swatch.height() - 1), QColor(box.itemText(i)));
    }
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

void TestSnapshotProp::widthsPerTool_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<QStringList>("shown");
    const QStringList lines = {"frameColorComboBox", "frameWidthComboBox"};
    const QStringList shapes = {"frameCheckBox", "frameColorComboBox", "frameWidthComboBox", "fillCheckBox",
                                "fillColorComboBox"};
    QTest::newRow("line") << DrawMode::Line << lines;
    QTest::newRow("rectangle") << DrawMode::Rectangle << shapes;
    QTest::newRow("text shows everything") << DrawMode::Text << kToolControls;
}

void TestSnapshotProp::widthsPerTool()
{
    QFETCH(DrawMode, mode);
    QFETCH(QStringList, shown);
    CSnapshotProp prop(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    prop.show();
    prop.setGeometry(200, 300, prop.width(), prop.height());
    // Through every other kind of tool first: the strip keeps its right edge
    // and its width never accumulates.
    const int right = prop.frameGeometry().right();
    prop.setDrawMode(mode);
    const int width = prop.width();
    for (DrawMode m : {DrawMode::Text, DrawMode::Line, DrawMode::Select, DrawMode::Rectangle, mode}) {
        prop.setDrawMode(m);
        QCOMPARE(prop.frameGeometry().right(), right);
    }
    QCOMPARE(prop.width(), width);
    for (const QString& name : kToolControls)
        QCOMPARE(control(prop, name)->isVisibleTo(&prop), shown.contains(name));
    // Nothing is cut off at the strip's edge.
    QTRY_VERIFY(control(prop, "transparentSlider")->geometry().right() < prop.width());
}

void TestSnapshotProp::frameAndFillCoupling_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("coupled");
    QTest::newRow("rectangle couples") << DrawMode::Rectangle << true;
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

QTEST_MAIN(TestSnapshotProp)
#include "tst_snapshotprop.moc"
