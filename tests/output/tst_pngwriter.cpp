#include "output/PictureFiles.h"
#include "output/PngWriter.h"
#include "support/TestSupport.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A desktop picture as finishing hands it over: a pattern, with a margin of
// transparent pixels (outside the desktop) and a few half-transparent ones
// whose colour channels must survive as they are.
QImage withTransparency(const QSize& size)
{
    QImage image = TestSupport::makeTestPattern(size, 3).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (x < 3 || y >= image.height() - 2)
                line[x] = 0;
            else if ((x + y) % 7 == 0)
                line[x] = (line[x] & 0x00ffffffu) | (quint32((x * 13 + y) & 0xff) << 24);
        }
    }
    return image;
}

} // namespace

class TestPngWriter : public QObject
{
    Q_OBJECT
private slots:
    void decodesToTheImage_data();
    void decodesToTheImage();
    void opaqueIsWrittenWithoutAlpha();
};

void TestPngWriter::decodesToTheImage_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("filter");
    QTest::addColumn<int>("bands");
    QTest::addColumn<int>("level");

    const QImage opaque = TestSupport::makeTestPattern(QSize(640, 480), 1);
    const QImage transparent = withTransparency(QSize(640, 480));
    const QImage premultiplied = transparent.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                     .convertToFormat(QImage::Format_ARGB32);
    for (int filter = 0; filter <= 2; ++filter) {
        for (int bands : {1, 2, 3, 0}) {
            const QByteArray tag = "f" + QByteArray::number(filter) + " b" + QByteArray::number(bands);
            QTest::newRow("opaque " + tag) << opaque << filter << bands << 1;
            QTest::newRow("transparent " + tag) << transparent << filter << bands << 1;
        }
    }
    QTest::newRow("opaque stored") << opaque << 2 << 2 << 0;
    QTest::newRow("transparent level 9") << transparent << 1 << 2 << 9;
    QTest::newRow("premultiplied source") << premultiplied << 2 << 0 << 1;
    QTest::newRow("odd width 333") << withTransparency(QSize(333, 200)) << 2 << 0 << 1;
    QTest::newRow("odd width 1") << withTransparency(QSize(1, 257)) << 1 << 0 << 1;
    QTest::newRow("odd width 7, rgb") << TestSupport::makeTestPattern(QSize(7, 301), 5) << 2 << 3 << 1;
    QTest::newRow("one pixel high") << withTransparency(QSize(1001, 1)) << 2 << 0 << 1;
    QTest::newRow("one pixel") << withTransparency(QSize(1, 1)) << 1 << 0 << 1;
    QTest::newRow("8K") << withTransparency(QSize(7680, 4320)) << 2 << 0 << 1;
    QTest::newRow("8K opaque") << TestSupport::makeTestPattern(QSize(7680, 4320), 9) << 2 << 0 << 1;
}

void TestPngWriter::decodesToTheImage()
{
    QFETCH(QImage, image);
    QFETCH(int, filter);
    QFETCH(int, bands);
    QFETCH(int, level);
    PngWriter::Options options;
    options.filter = PngWriter::Filter(filter);
    options.bands = bands;
    options.level = level;
    const QByteArray png = PngWriter::encode(image, options);
    QVERIFY(!png.isEmpty());
    const QImage back = QImage::fromData(png, "PNG");
    QCOMPARE(back.size(), image.size());
    QCOMPARE(TestSupport::differingPixels(back, image), qint64(0));
}

void TestPngWriter::opaqueIsWrittenWithoutAlpha()
{
    // An opaque picture in a format with alpha decodes opaque; one pixel of
    // alpha 254 keeps the alpha channel.
    QImage image = TestSupport::makeTestPattern(QSize(300, 200), 2).convertToFormat(QImage::Format_ARGB32);
    QImage back = QImage::fromData(PngWriter::encode(image), "PNG");
    QVERIFY(!back.hasAlphaChannel());
    QCOMPARE(TestSupport::differingPixels(back, image), qint64(0));

    image.setPixel(299, 199, qRgba(10, 20, 30, 254));
    back = QImage::fromData(PngWriter::encode(image), "PNG");
    QVERIFY(back.hasAlphaChannel());
    QCOMPARE(TestSupport::differingPixels(back, image), qint64(0));
}

QTEST_MAIN(TestPngWriter)
#include "tst_pngwriter.moc"
