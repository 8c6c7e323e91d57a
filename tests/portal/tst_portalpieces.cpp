// The pure pieces of the portal path: the part of a whole-layout picture that
// one output shows, the names of portal failures, and the keys in the
// GlobalShortcuts portal's notation.
#include "platform/DesktopSource.h"
#include "platform/PortalRequest.h"
#include "platform/PortalShortcuts.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace TestSupport;

class TestPortalPieces : public QObject
{
    Q_OBJECT
private slots:
    void outputPicture_data();
    void outputPicture();
    void failureNamesWhatIsMissing_data();
    void failureNamesWhatIsMissing();
};

void TestPortalPieces::outputPicture_data()
{
    QTest::addColumn<QRect>("layout");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QRect>("output");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("expectedPart"); // in the layout picture
    QTest::addColumn<QSize>("expectedSize");
    // One output: the picture as it is.
    QTest::newRow("single") << QRect(0, 0, 640, 360) << QSize(640, 360) << QRect(0, 0, 640, 360) << 1.0
                            << QRect(0, 0, 640, 360) << QSize(640, 360);
    // Two outputs side by side at scale 1.
    QTest::newRow("right output") << QRect(0, 0, 1000, 400) << QSize(1000, 400) << QRect(640, 0, 360, 300)
                                  << 1.0 << QRect(640, 0, 360, 300) << QSize(360, 300);
    // The layout drawn at the highest scale (2): a scale-2 output keeps its pixels.
    QTest::newRow("scaled output") << QRect(0, 0, 1000, 400) << QSize(2000, 800) << QRect(640, 0, 360, 300)
                                   << 2.0 << QRect(1280, 0, 720, 600) << QSize(720, 600);
}

void TestPortalPieces::outputPicture()
{
    QFETCH(QRect, layout);
    QFETCH(QSize, pictureSize);
    QFETCH(QRect, output);
    QFETCH(qreal, ratio);
    QFETCH(QRect, expectedPart);
    QFETCH(QSize, expectedSize);
    const QImage whole = makeTestPattern(pictureSize, 4).convertToFormat(QImage::Format_ARGB32);
    const QImage part = ::outputPicture(whole, layout, output, ratio);
    QCOMPARE(part.size(), expectedSize);
    QCOMPARE(part.devicePixelRatio(), 1.0);
    QCOMPARE(differingPixels(part, whole.copy(expectedPart)), qint64(0));
}

void TestPortalPieces::failureNamesWhatIsMissing_data()
{
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no portal service") << "org.freedesktop.DBus.Error.ServiceUnknown"
                                       << ""
                                       << "no screenshot portal is running";
    QTest::newRow("portal without a backend") << "org.freedesktop.DBus.Error.InvalidArgs"
                                              << "No such interface \"org.freedesktop.portal.Screenshot\""
                                              << "no screenshot portal is running";
    QTest::newRow("no bus") << "no-bus"
                            << ""
                            << "no session bus";
    QTest::newRow("silent portal") << "timeout"
                                   << ""
                                   << "did not answer";
    QTest::newRow("other failure") << "org.example.Error"
                                   << "disk full"
                                   << "disk full";
}

void TestPortalPieces::failureNamesWhatIsMissing()
{
    QFETCH(QString, errorName);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const QString text = describePortalFailure(QStringLiteral("screenshot"), errorName, message);
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY(!text.contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(TestPortalPieces)
#include "tst_portalpieces.moc"
