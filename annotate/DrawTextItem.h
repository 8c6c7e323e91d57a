#pragma once

#include "annotate/DrawObjectItem.h"

#include <QColor>
#include <QGraphicsTextItem>

// A text mark: an editable text box with optional frame and fill, the shared
// drop shadow and hover outline. Double-clicking it edits it again.
//
// Export: the picture renderer paints every mark itself, with the painter
// already translated to the item's scene position (item->sceneTransform()).
// With exportPaint set, paint() draws at the painter's origin, in item
// coordinates like every other mark, and draws only the text and its box:
// no caret, selection or focus frame of the on-screen editor.
class CDrawTextItem : public CDrawMark<QGraphicsTextItem>
{
    Q_OBJECT
    Q_INTERFACES(CDrawObjectItem)
public:
    explicit CDrawTextItem(QGraphicsItem* parent = nullptr);
    ~CDrawTextItem() override;

    bool filled = false;
    bool frame = false;
    bool exportPaint = false;
    QColor fillColor;
    QColor frameColor;
    int frameWidth = 1;

    void setFilled(bool on);
    void setFrame(bool on);
    void setFrameWidth(int width);
    void setFillColor(const QColor& color);
    void setFrameColor(const QColor& color);
    void setExportPaint(bool on) { exportPaint = on; }

signals:
    // Typing ended (the mark lost the keyboard) and changed the text, which
    // read `before` when it got the keyboard.
    void textEdited(const QString& before);

public:
    // The text box: the document's area, which the frame and fill cover.
    QRectF textBox() const;

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    bool contains(const QPointF& point) const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    DrawMode kind() const override { return DrawMode::Text; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;
    // The typing ends; false when nothing was typed.
    bool finishEditing() override;
    void settle() override;
    void setPicturePaint(bool on) override { setExportPaint(on); }

protected:
    QRectF itemOutline() const override { return textBox(); }
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_htmlAtFocus;
    void drawBox(QPainter* painter, const QPen& pen, const QBrush& brush) const;
    // The document alone, in one default colour; with the caret and selection
    // while it is being typed when `withCursor` is set.
    void drawText(QPainter* painter, const QColor& color, bool withCursor = false) const;
};
