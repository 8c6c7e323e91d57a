#include "annotate/ColorComboBox.h"

#include <QPixmap>
#include <QtTest>

class TestColorComboBox : public QObject
{
    Q_OBJECT
private slots:
    void entriesFollowTheNamedColours();
    void swatchesShowTheirOwnColour();
    void freshBoxHoldsTheFirstColour();
    void setColor_data();
    void setColor();
    void colorIsTheUserProperty();
};

void TestColorComboBox::entriesFollowTheNamedColours()
{
    ColorComboBox box;
    const QStringList names = ColorComboBox::listedColorNames();
    QVERIFY(!names.contains(QStringLiteral("transparent")));
    QCOMPARE(names.size(), QColor::colorNames().size() - 1);
    QCOMPARE(box.count(), names.size());
    for (int i = 0; i < box.count(); ++i) {
        QCOMPARE(box.itemText(i), names.at(i));
        QCOMPARE(box.itemData(i, Qt::UserRole).value<QColor>(), QColor(names.at(i)));
        QCOMPARE(box.itemData(i, Qt::UserRole).value<QColor>().alpha(), 255);
    }
}

void TestColorComboBox::swatchesShowTheirOwnColour()
{
    ColorComboBox box;
    for (int i : {0, 7, box.count() / 2, box.count() - 1}) {
        const QPixmap swatch = box.itemData(i, Qt::DecorationRole).value<QPixmap>();
        QVERIFY2(!swatch.isNull(), qPrintable(box.itemText(i)));
        QCOMPARE(swatch.size(), box.iconSize());
        const QImage image = swatch.toImage();
        QCOMPARE(image.pixelColor(0, 0).rgb(), QColor(box.itemText(i)).rgb());
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1).rgb(),
                 QColor(box.itemText(i)).rgb());
    }
}

void TestColorComboBox::freshBoxHoldsTheFirstColour()
{
    ColorComboBox box;
    QCOMPARE(box.currentIndex(), 0);
    QCOMPARE(box.color(), QColor(QColor::colorNames().first()));
}

void TestColorComboBox::setColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("expectedName");
    QTest::newRow("named red") << QColor(255, 0, 0) << "red";
    QTest::newRow("black from a stored number") << QColor::fromRgba(0xff000000) << "black";
    QTest::newRow("last name") << QColor(QColor::colorNames().last()) << QColor::colorNames().last();
    QTest::newRow("half-transparent red is not listed") << QColor(255, 0, 0, 128) << "";
    QTest::newRow("fully transparent black is not listed") << QColor::fromRgba(0) << "";
    QTest::newRow("an unnamed colour") << QColor(1, 2, 3) << "";
    QTest::newRow("invalid colour") << QColor() << "";
}

void TestColorComboBox::setColor()
{
    QFETCH(QColor, color);
    QFETCH(QString, expectedName);
    ColorComboBox box;
    box.setCurrentIndex(3);
    box.setColor(color);
    if (expectedName.isEmpty()) {
        QCOMPARE(box.currentIndex(), -1);
        QVERIFY(!box.color().isValid());
    } else {
        QCOMPARE(box.currentText(), expectedName);
        QCOMPARE(box.color(), color);
    }
}

void TestColorComboBox::colorIsTheUserProperty()
{
    ColorComboBox box;
    const QMetaProperty user = box.metaObject()->userProperty();
    QCOMPARE(user.name(), "color");
    QVERIFY(user.isWritable());
    QVERIFY(user.write(&box, QColor(Qt::blue)));
    QCOMPARE(box.currentText(), QStringLiteral("blue"));
    QCOMPARE(user.read(&box).value<QColor>(), QColor(Qt::blue));
}

QTEST_MAIN(TestColorComboBox)
#include "tst_colorcombobox.moc"
