// The clipboard as other programs see it, under a private X server.
#include "app/ClipboardKeeper.h"
#include "output/PictureFiles.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

using namespace TestSupport;

class TestClipboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void otherProgramsReadThePicture();
    void servingEndsWhenAnotherProgramTakesOver();

private:
    QImage m_picture;
};

void TestClipboard::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_picture = makeTestPattern(QSize(321, 123), 3);
    QVERIFY(!clipboardManagerRunning());
}

void TestClipboard::otherProgramsReadThePicture()
{
    copyImageToClipboard(m_picture);
    QVERIFY(QGuiApplication::clipboard()->ownsClipboard());
    // xclip asks this process for the data, so the event loop must run
    // while it reads: start it without blocking.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")});
    QTRY_COMPARE_WITH_TIMEOUT(xclip.state(), QProcess::NotRunning, 10000);
    QCOMPARE(xclip.exitCode(), 0);
    QImage pasted;
    QVERIFY(pasted.loadFromData(xclip.readAllStandardOutput(), "PNG"));
    QCOMPARE(differingPixels(pasted, m_picture), 0);

    // The primary selection is left alone.
    QVERIFY(!QGuiApplication::clipboard()->ownsSelection());
}

void TestClipboard::servingEndsWhenAnotherProgramTakesOver()
{
    copyImageToClipboard(m_picture);
    bool servedWhileWaiting = false;
    bool timedOut = false;
    QProcess reader, taker;
    // While the program waits, the picture is still there for others; then
    // another program takes the clipboard and the wait ends.
    QTimer::singleShot(100, this, [&] {
        reader.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                               QStringLiteral("-t"), QStringLiteral("image/png"),
                                               QStringLiteral("-o")});
    });
    connect(&reader, &QProcess::finished, this, [&] {
        QImage pasted;
        servedWhileWaiting = pasted.loadFromData(reader.readAllStandardOutput(), "PNG") &&
                             differingPixels(pasted, m_picture) == 0;
        taker.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                              QStringLiteral("-i"), QStringLiteral("-loops"), QStringLiteral("1")});
        taker.write("taken");
        taker.closeWriteChannel();
    });
    QTimer::singleShot(15000, this, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    serveClipboardUntilTaken();
    QVERIFY(!timedOut);
    QVERIFY(servedWhileWaiting);
    QVERIFY(!QGuiApplication::clipboard()->ownsClipboard());
    taker.kill();
    taker.waitForFinished(2000);
}

QTEST_MAIN(TestClipboard)
#include "tst_clipboard.moc"
