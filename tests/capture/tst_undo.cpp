// Undo and redo of every change to the marks, and the snapshot's keys, as a
// user makes them: mouse input to the scene, keys to the capture view.
#include "QuietPlatform.h"
#include "SceneEvents.h"
#include "annotate/ColorComboBox.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/MarkState.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QUndoStack>
#include <QtTest>

using namespace SceneEvents;

class TestUndo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addMoveResizeStepByStep();
    void undoAfterErase();
    void undoAfterPropertyChange();
    void newChangeDropsRedo();
    void deleteKeyAndUndoKeys();
    void enterAndKeypadEnterFinish_data();
    void enterAndKeypadEnterFinish();
    void ctrlCCopiesOnly();

private:
    QGraphicsItem* drawRect(const QPointF& from, const QPointF& to);
    QList<QGraphicsItem*> marks() const;

    QImage m_pattern;
    CDrawView* m_view = nullptr;
    CSGraphicsScene* m_scene = nullptr;
    QTemporaryDir m_dir;
};

void TestUndo::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    m_pattern = TestSupport::makeTestPattern(QSize(640, 480), 11);
}

void TestUndo::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotShadow = false;
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = false;
    AppConfig.SnapshotFilePath = m_dir.path();
    AppConfig.FrameCheck = true;
    AppConfig.FrameColor = QColor(Qt::red);
    AppConfig.FillCheck = false;
    AppConfig.Transparent = 100;
    QApplication::clipboard()->clear();
    m_view = new CDrawView(QPixmap::fromImage(m_pattern), nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_scene = m_view->snapshotScene();
    drag(m_scene, {50, 40}, {550, 420}); // the pick
}

void TestUndo::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

QGraphicsItem* TestUndo::drawRect(const QPointF& from, const QPointF& to)
{
    m_view->editDialog()->setDrawMode(DrawMode::Rectangle);
    drag(m_scene, from, to);
    return marks().value(marks().size() - 1);
}

QList<QGraphicsItem*> TestUndo::marks() const
{
    QList<QGraphicsItem*> found;
    for (QGraphicsItem* item : m_scene->items(Qt::AscendingOrder))
        if (dynamic_cast<CDrawObjectItem*>(item))
            found << item;
    return found;
}

void TestUndo::addMoveResizeStepByStep()
{
    QGraphicsItem* box = drawRect({100, 100}, {200, 180});
    QVERIFY(box);
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    drag(m_scene, {100, 140}, {130, 160}); // on its left edge: a move
    QCOMPARE(m_scene->selectedMark(), box);
    drag(m_scene, {230, 200}, {260, 240}); // its bottom right corner
    QCOMPARE(markOutline(box), QRectF(130, 120, 130, 120));

    const QList<QRectF> history = {QRectF(130, 120, 100, 80), QRectF(100, 100, 100, 80)};
    m_scene->undo();
    QCOMPARE(markOutline(box), history[0]);
    m_scene->undo();
    QCOMPARE(markOutline(box), history[1]);
    m_scene->undo();
    QVERIFY(marks().isEmpty());
    QVERIFY(!m_scene->undoStack()->canUndo());

    m_scene->redo();
    QCOMPARE(marks(), QList<QGraphicsItem*>{box});
    QCOMPARE(markOutline(box), history[1]);
    m_scene->redo();
    m_scene->redo();
    QCOMPARE(markOutline(box), QRectF(130, 120, 130, 120));
    QVERIFY(!m_scene->undoStack()->canRedo());
}

void TestUndo::undoAfterErase()
{
    drawRect({100, 100}, {200, 180});
    drawRect({150, 150}, {300, 260}); // overlapping, on top
    m_view->editDialog()->setDrawMode(DrawMode::Line);
    drag(m_scene, {120, 300}, {400, 300});
    const QImage before = m_scene->renderSelection();

    m_view->editDialog()->setDrawMode(DrawMode::Erase);
    click(m_scene, {175, 150}); // on both rectangles' edges
    QCOMPARE(marks().size(), 1);
    QVERIFY(TestSupport::differingPixels(m_scene->renderSelection(), before) > 0);

    m_scene->undo(); // both come back, one step, in their old stacking order
    QCOMPARE(marks().size(), 3);
    QCOMPARE(TestSupport::differingPixels(m_scene->renderSelection(), before), 0);
    m_scene->redo();
    QCOMPARE(marks().size(), 1);
}

void TestUndo::undoAfterPropertyChange()
{
    QGraphicsItem* box = drawRect({100, 100}, {200, 180});
    const QImage red = m_scene->renderSelection();
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    click(m_scene, {100, 150});
    QCOMPARE(m_scene->selectedMark(), box);
    // The property strip shows the mark's controls; a new colour there
    // recolours the chosen mark, and only that.
    CSnapshotProp* prop = m_view->editDialog()->propDialog();
    QVERIFY(prop->isVisible());
    auto* frameColor = prop->findChild<ColorComboBox*>(QStringLiteral("frameColorComboBox"));
    frameColor->setColor(QColor(Qt::blue));
    QCOMPARE(static_cast<CDrawRectItem*>(box)->pen().color(), QColor(Qt::blue));
    QCOMPARE(static_cast<CDrawRectItem*>(box)->pen().width(), AppConfig.FrameWidth);
    QVERIFY(TestSupport::differingPixels(m_scene->renderSelection(), red) > 0);

    m_scene->undo();
    QCOMPARE(static_cast<CDrawRectItem*>(box)->pen().color(), QColor(Qt::red));
    QCOMPARE(TestSupport::differingPixels(m_scene->renderSelection(), red), 0);
    m_scene->redo();
    QCOMPARE(static_cast<CDrawRectItem*>(box)->pen().color(), QColor(Qt::blue));

    // Without a chosen mark the strip only sets the look of new marks.
    click(m_scene, {400, 400});
    QVERIFY(!m_scene->selectedMark());
    frameColor->setColor(QColor(Qt::green));
    QCOMPARE(static_cast<CDrawRectItem*>(box)->pen().color(), QColor(Qt::blue));
}

void TestUndo::newChangeDropsRedo()
{
    QGraphicsItem* first = drawRect({100, 100}, {200, 180});
    m_scene->undo();
    QVERIFY(m_scene->undoStack()->canRedo());
    QGraphicsItem* second = drawRect({300, 300}, {350, 350});
    QVERIFY(!m_scene->undoStack()->canRedo());
    m_scene->redo();
    QCOMPARE(marks(), QList<QGraphicsItem*>{second});
    QVERIFY(!marks().contains(first));
}

void TestUndo::deleteKeyAndUndoKeys()
{
    QGraphicsItem* box = drawRect({100, 100}, {200, 180});
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    click(m_scene, {200, 140});
    key(m_view, Qt::Key_Delete);
    QVERIFY(marks().isEmpty());
    key(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(marks(), QList<QGraphicsItem*>{box});
    key(m_view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(marks().isEmpty());
    key(m_view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(marks().size(), 1);
    key(m_view, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(marks().isEmpty());
    QVERIFY(m_view->isVisible());
}

void TestUndo::enterAndKeypadEnterFinish_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestUndo::enterAndKeypadEnterFinish()
{
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    drawRect({100, 100}, {200, 180});
    const QImage expected = m_scene->renderSelection();
    QSignalSpy finished(m_view, &CDrawView::finished);
    key(m_view, keyCode, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!m_view->isVisible());
    QCOMPARE(TestSupport::differingPixels(QApplication::clipboard()->image(), expected), 0);
}

void TestUndo::ctrlCCopiesOnly()
{
    // Ctrl+C never writes a file and never asks, whatever the settings say.
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SaveToFileAfterFinish = true;
    drawRect({100, 100}, {200, 180});
    const QImage expected = m_scene->renderSelection();
    QSignalSpy finished(m_view, &CDrawView::finished);
    key(m_view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(QApplication::clipboard()->image().size(), QSize(500, 380));
    QCOMPARE(TestSupport::differingPixels(QApplication::clipboard()->image(), expected), 0);
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
