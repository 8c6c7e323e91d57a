#include "QuietPlatform.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "annotate/StripGeometry.h"
#include "capture/DrawView.h"
#include "config/AppConfig.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const QString& name)
{
    return iconImage(QIcon(QStringLiteral(":/Resources/") + name));
}

// The nine tool buttons in layout order with their two icons.
struct Tool
{
    DrawMode mode;
    const char* unselected;
    const char* selected;
};
const Tool kTools[] = {
    {DrawMode::Select, "ico_btn_select_no.png", "ico_btn_select.png"},
    {DrawMode::Line, "ico_btn_line_no.png", "ico_btn_line.png"},
    {DrawMode::LineArrow, "ico_btn_line_arrow_no.png", "ico_btn_line_arrow.png"},
    {DrawMode::Rectangle, "ico_btn_rect_no.png", "ico_btn_rect.png"},
    {DrawMode::Polygon, "ico_btn_polygon_no.png", "ico_btn_polygon.png"},
    {DrawMode::Ellipse, "ico_btn_ellipse_no.png", "ico_btn_ellipse.png"},
    {DrawMode::Draw, "ico_btn_draw_no.png", "ico_btn_draw.png"},
    {DrawMode::Text, "ico_btn_text_no.png", "ico_btn_text.png"},
    {DrawMode::Erase, "ico_btn_erase_no.png", "ico_btn_erase.png"},
};

QList<QPushButton*> buttonsInLayoutOrder(CSnapshotEdit* edit)
{
    QList<QPushButton*> buttons;
    QLayout* layout = edit->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* b = qobject_cast<QPushButton*>(layout->itemAt(i)->widget()))
            buttons << b;
    return buttons;
}

// Which tool buttons show their selected icon.
QList<DrawMode> selectedTools(CSnapshotEdit* edit)
{
    const QList<QPushButton*> buttons = buttonsInLayoutOrder(edit);
    QList<DrawMode> selected;
    for (int i = 0; i < 9; ++i) {
        const QImage shown = iconImage(buttons.at(i)->icon());
        if (shown == resourceImage(QLatin1String(kTools[i].selected)))
            selected << kTools[i].mode;
        else if (shown != resourceImage(QLatin1String(kTools[i].unselected)))
            qWarning("button %d shows neither of its icons", i);
    }
    return selected;
}

} // namespace

class TestSnapshotEdit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buttons();
    void modes_data();
    void modes();
    void curveKeepsPropertyStrip();
    void propertyStripHangsUnderneath();
    void closeSnapshot_data();
    void closeSnapshot();
    void escapeCancels();

private:
    Vireoscape* m_main = nullptr;
    CDrawView* m_view = nullptr;
    CSnapshotEdit* m_edit = nullptr;
};

void TestSnapshotEdit::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestSnapshotEdit::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.GenCloseToTray = false;
    m_main = new Vireoscape;
    QPixmap desktop(800, 600);
    desktop.fill(Qt::darkCyan);
    m_view = new CDrawView(desktop, m_main);
    QObject::connect(m_view, &CDrawView::finished, m_main, &Vireoscape::snapshotFinished);
    QObject::connect(m_view, &CDrawView::abandoned, m_main, &Vireoscape::snapshotAbandoned);
    m_view->setWindowFlags(floatingWindowFlags());
    m_view->show();
    QVERIFY(m_view->isVisible());
    m_edit = m_view->editDialog();
}

void TestSnapshotEdit::cleanup()
{
    delete m_main;
    m_main = nullptr;
}

void TestSnapshotEdit::buttons()
{
    QCOMPARE(m_edit->size(), QSize(480, 40));
    const QList<QPushButton*> buttons = buttonsInLayoutOrder(m_edit);
    const QStringList tips = {"Select", "Line", "Line with arrow", "Rectangle",    "Polygon", "Ellipse",
                              "Draw",   "Text", "Erase",           "Save picture", "Cancel",  "Ok"};
    QCOMPARE(buttons.size(), tips.size());
    for (int i = 0; i < buttons.size(); ++i) {
        // The name, then the keys that do the same.
        QVERIFY2(buttons.at(i)->toolTip().startsWith(tips.at(i)), qPrintable(buttons.at(i)->toolTip()));
        QVERIFY(buttons.at(i)->text().isEmpty());
        QVERIFY(!buttons.at(i)->isCheckable());
        QVERIFY(!buttons.at(i)->isDefault());
    }
    QCOMPARE(iconImage(buttons.at(9)->icon()), resourceImage(QStringLiteral("ico_save.png")));
    QCOMPARE(iconImage(buttons.at(10)->icon()), resourceImage(QStringLiteral("ico_cancel.png")));
    QCOMPARE(iconImage(buttons.at(11)->icon()), resourceImage(QStringLiteral("ico_ok.png")));
    // A fresh strip is picking: Select's button is lit, no properties shown.
    QCOMPARE(m_edit->drawMode(), DrawMode::None);
    QCOMPARE(selectedTools(m_edit), QList<DrawMode>{DrawMode::Select});
    QVERIFY(!m_edit->propDialog()->isVisible());
}

void TestSnapshotEdit::modes_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("properties");
    for (int i = 0; i < 9; ++i) {
        const DrawMode mode = kTools[i].mode;
        const bool properties = mode != DrawMode::Select && mode != DrawMode::Erase;
        QTest::addRow("%s", kTools[i].selected) << i << mode << properties;
    }
}

void TestSnapshotEdit::modes()
{
    QFETCH(int, button);
    QFETCH(DrawMode, mode);
    QFETCH(bool, properties);
    m_edit->show();
    const QList<QPushButton*> buttons = buttonsInLayoutOrder(m_edit);
    // From every other tool, and again from itself.
    for (int from = 0; from < 9; ++from) {
        buttons.at(from)->click();
        buttons.at(button)->click();
        QCOMPARE(m_edit->drawMode(), mode);
        QCOMPARE(selectedTools(m_edit), QList<DrawMode>{mode});
        QCOMPARE(m_edit->propDialog()->isVisible(), properties);
    }
    buttons.at(button)->click();
    QCOMPARE(selectedTools(m_edit), QList<DrawMode>{mode});
}

void TestSnapshotEdit::curveKeepsPropertyStrip()
{
    m_edit->show();
    for (DrawMode before : {DrawMode::Rectangle, DrawMode::Erase}) {
        m_edit->setDrawMode(before);
        const bool visible = m_edit->propDialog()->isVisible();
        m_edit->OnBtnCurve();
        QCOMPARE(m_edit->drawMode(), DrawMode::Curve);
        QVERIFY(selectedTools(m_edit).isEmpty());
        QCOMPARE(m_edit->propDialog()->isVisible(), visible);
    }
    // Select and picking share one button: switching between them changes no icon.
    m_edit->setDrawMode(DrawMode::Select);
    m_edit->setDrawMode(DrawMode::None);
    QCOMPARE(selectedTools(m_edit), QList<DrawMode>{DrawMode::Select});
}

void TestSnapshotEdit::propertyStripHangsUnderneath()
{
    m_view->placeEditDialog(QRectF(300, 100, 400, 200));
    m_edit->setDrawMode(DrawMode::Text);
    const QRect strip = m_edit->frameGeometry();
    const QRect props = m_edit->propDialog()->geometry();
    QCOMPARE(props.top(), strip.bottom() + 5);
    QCOMPARE(props.right(), strip.right() - 1);

    // Beside a pick at the monitor's left edge the text strip, wider than
    // the tool strip, still lies wholly on the monitor.
    const QRect monitor = m_view->screen()->geometry();
    m_view->placeEditDialog(QRectF(10, 100, 200, 100));
    m_edit->setDrawMode(DrawMode::Text);
    QVERIFY(m_edit->propDialog()->width() > m_edit->width());
    QVERIFY(monitor.contains(m_edit->frameGeometry()));
    QVERIFY2(monitor.contains(m_edit->propDialog()->geometry()),
             qPrintable(QStringLiteral("%1 %2").arg(m_edit->propDialog()->geometry().x()).arg(monitor.x())));
}

void TestSnapshotEdit::closeSnapshot_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("mainVisible");
    QTest::newRow("hide to tray") << 0 << false;
    QTest::newRow("show main window") << 1 << true;
    QTest::newRow("exit application closes everything") << 2 << false;
}

void TestSnapshotEdit::closeSnapshot()
{
    QFETCH(int, action);
    QFETCH(bool, mainVisible);
    AppConfig.GenActionAfterFinish = action;
    m_view->placeEditDialog(QRectF(300, 100, 400, 200));
    m_edit->setDrawMode(DrawMode::Line);
    QVERIFY(m_edit->propDialog()->isVisible());
    QVERIFY(m_edit->isVisible());
    m_edit->OnBtnCancel();
    QCOMPARE(m_main->isVisible(), mainVisible);
    QVERIFY(!m_main->isMinimized() || !mainVisible);
    QVERIFY(!m_view->isVisible());
    QVERIFY(!m_edit->isVisible());
    QVERIFY(!m_edit->propDialog()->isVisible());
}

void TestSnapshotEdit::escapeCancels()
{
    AppConfig.GenActionAfterFinish = 1;
    m_view->placeEditDialog(QRectF(300, 100, 400, 200));
    QVERIFY(m_view->isVisible());
    QTest::keyClick(m_edit, Qt::Key_Return);
    QVERIFY(m_view->isVisible());
    QVERIFY(m_edit->isVisible());
    QTest::keyClick(m_edit, Qt::Key_Escape);
    QVERIFY(!m_view->isVisible());
    QVERIFY(!m_edit->isVisible());
    QVERIFY(m_main->isVisible());
}

QTEST_MAIN(TestSnapshotEdit)
#include "tst_snapshotedit.moc"
