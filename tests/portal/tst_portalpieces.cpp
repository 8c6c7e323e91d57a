// The pure pieces of the portal path: the part of a whole-layout picture that
// one output shows, and the names of portal failures.
#include "platform/DesktopSource.h"
#include "platform/PortalRequest.h"
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
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QRect>("layout"); // of all outputs, logical pixels
    QTest::addColumn<QRect>("output");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("expectedPart"); // in the layout picture
    // Two outputs side by side, 1000x400 logical pixels in all.
    const QRect sideBySide(0, 0, 1000, 400);
    QTest::newRow("right output") << QSize(1000, 400) << sideBySide << QRect(640, 0, 360, 300) << 1.0
                                  << QRect(640, 0, 360, 300);
    // The layout drawn at the highest scale (2): a scale-2 output keeps its pixels.
    QTest::newRow("scaled output") << QSize(2000, 800) << sideBySide << QRect(640, 0, 360, 300) << 2.0
                                   << QRect(1280, 0, 720, 600);
    // Outputs left of and above the primary one lie at negative offsets.
    const QRect leftOf(-640, 0, 1000, 400);
    QTest::newRow("output at a negative x")
        << QSize(1000, 400) << leftOf << QRect(-640, 0, 640, 400) << 1.0 << QRect(0, 0, 640, 400);
    QTest::newRow("primary right of it")
        << QSize(1000, 400) << leftOf << QRect(0, 100, 360, 300) << 1.0 << QRect(640, 100, 360, 300);
    // A scale-1 output in a layout drawn at scale 2: its part is halved.
    QTest::newRow("scale 1 below one at negative y")
        << QSize(2000, 1600) << QRect(-200, -400, 1000, 800) << QRect(0, 0, 800, 400) << 1.0
        << QRect(400, 800, 1600, 800);
}

void TestPortalPieces::outputPicture()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QRect, layout);
    QFETCH(QRect, output);
    QFETCH(qreal, ratio);
    QFETCH(QRect, expectedPart);
    const QImage whole = makeTestPattern(pictureSize, 4).convertToFormat(QImage::Format_ARGB32);
    const QImage part = ::outputPicture(whole, layout, output, ratio);
    QCOMPARE(part.devicePixelRatio(), 1.0);
    QImage expected = whole.copy(expectedPart);
    if (expected.size() != output.size() * ratio)
        expected = expected.scaled(output.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(differingPixels(part, expected), qint64(0));
}

void TestPortalPieces::failureNamesWhatIsMissing_data()
{
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const QString noPortal = QStringLiteral("no screenshot portal is running");
    QTest::newRow("no portal service")
        << "org.freedesktop.DBus.Error.ServiceUnknown" << QString() << noPortal;
    QTest::newRow("portal without a backend")
        << "org.freedesktop.DBus.Error.InvalidArgs"
        << "No such interface \"org.freedesktop.portal.Screenshot\"" << noPortal;
    QTest::newRow("other failure") << "org.example.Error" << QStringLiteral("disk full")
                                   << QStringLiteral("disk full");
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
