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

// Two outputs side by side, 1000x400 logical pixels in all.
void TestPortalPieces::outputPicture_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QRect>("output");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("expectedPart"); // in the layout picture
    QTest::newRow("right output") << QSize(1000, 400) << QRect(640, 0, 360, 300) << 1.0
                                  << QRect(640, 0, 360, 300);
    // The layout drawn at the highest scale (2): a scale-2 output keeps its pixels.
    QTest::newRow("scaled output") << QSize(2000, 800) << QRect(640, 0, 360, 300) << 2.0
                                   << QRect(1280, 0, 720, 600);
}

void TestPortalPieces::outputPicture()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QRect, output);
    QFETCH(qreal, ratio);
    QFETCH(QRect, expectedPart);
    const QImage whole = makeTestPattern(pictureSize, 4).convertToFormat(QImage::Format_ARGB32);
    const QImage part = ::outputPicture(whole, QRect(0, 0, 1000, 400), output, ratio);
    QCOMPARE(part.devicePixelRatio(), 1.0);
    QCOMPARE(differingPixels(part, whole.copy(expectedPart)), qint64(0));
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
