#pragma once

#include "annotate/DrawMode.h"
#include "annotate/DrawProperties.h"

#include <QObject>

// The tool of a snapshot and the look of new marks, held once: the tool
// strip, the property strip and the scene share one of these. Every value
// tells its changes.
class CToolState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(DrawMode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(QColor frameColor READ frameColor WRITE setFrameColor NOTIFY frameColorChanged)
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor NOTIFY fillColorChanged)
    Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor NOTIFY fontColorChanged)
    Q_PROPERTY(bool frame READ frame WRITE setFrame NOTIFY frameChanged)
    Q_PROPERTY(bool fill READ fill WRITE setFill NOTIFY fillChanged)
    Q_PROPERTY(int frameWidth READ frameWidth WRITE setFrameWidth NOTIFY frameWidthChanged)
    Q_PROPERTY(int transparency READ transparency WRITE setTransparency NOTIFY transparencyChanged)
    Q_PROPERTY(QString fontFamily READ fontFamily WRITE setFontFamily NOTIFY fontFamilyChanged)
    Q_PROPERTY(int fontSize READ fontSize WRITE setFontSize NOTIFY fontSizeChanged)
    Q_PROPERTY(QColor highlightColor READ highlightColor WRITE setHighlightColor NOTIFY highlightColorChanged)
    Q_PROPERTY(int highlightWidth READ highlightWidth WRITE setHighlightWidth NOTIFY highlightWidthChanged)
    Q_PROPERTY(int hideBlock READ hideBlock WRITE setHideBlock NOTIFY hideBlockChanged)
    Q_PROPERTY(bool hideSmooth READ hideSmooth WRITE setHideSmooth NOTIFY hideSmoothChanged)
public:
    explicit CToolState(QObject* parent = nullptr);

    DrawMode mode() const { return m_mode; }
    // Choosing the tool that is already chosen counts too: it is applied
    // again (what is being drawn ends, the property strip comes back).
    void setMode(DrawMode mode);

    const DrawProperties& look() const { return m_look; }
    // Sets every drawing property at once; each one that differs tells its
    // change, then lookChanged tells the whole.
    void setLook(const DrawProperties& look);

    QColor frameColor() const { return m_look.frameColor; }
    QColor fillColor() const { return m_look.fillColor; }
    QColor fontColor() const { return m_look.fontColor; }
    bool frame() const { return m_look.frame; }
    bool fill() const { return m_look.fill; }
    int frameWidth() const { return m_look.frameWidth; }
    int transparency() const { return m_look.transparency; }
    QString fontFamily() const { return m_look.fontFamily; }
    int fontSize() const { return m_look.fontSize; }
    QColor highlightColor() const { return m_look.highlightColor; }
    int highlightWidth() const { return m_look.highlightWidth; }
    int hideBlock() const { return m_look.hideBlock; }
    bool hideSmooth() const { return m_look.hideSmooth; }
    void setFrameColor(const QColor& v) { set(&DrawProperties::frameColor, v); }
    void setFillColor(const QColor& v) { set(&DrawProperties::fillColor, v); }
    void setFontColor(const QColor& v) { set(&DrawProperties::fontColor, v); }
    void setFrame(bool v) { set(&DrawProperties::frame, v); }
    void setFill(bool v) { set(&DrawProperties::fill, v); }
    void setFrameWidth(int v) { set(&DrawProperties::frameWidth, v); }
    void setTransparency(int v) { set(&DrawProperties::transparency, v); }
    void setFontFamily(const QString& v) { set(&DrawProperties::fontFamily, v); }
    void setFontSize(int v) { set(&DrawProperties::fontSize, v); }
    void setHighlightColor(const QColor& v) { set(&DrawProperties::highlightColor, v); }
    void setHighlightWidth(int v) { set(&DrawProperties::highlightWidth, v); }
    void setHideBlock(int v) { set(&DrawProperties::hideBlock, v); }
    void setHideSmooth(bool v) { set(&DrawProperties::hideSmooth, v); }

signals:
    void modeChanged(DrawMode mode);
    void lookChanged(const DrawProperties& before, const DrawProperties& after);
    void frameColorChanged(const QColor& color);
    void fillColorChanged(const QColor& color);
    void fontColorChanged(const QColor& color);
    void frameChanged(bool on);
    void fillChanged(bool on);
    void frameWidthChanged(int width);
    void transparencyChanged(int percent);
    void fontFamilyChanged(const QString& family);
    void fontSizeChanged(int size);
    void highlightColorChanged(const QColor& color);
    void highlightWidthChanged(int width);
    void hideBlockChanged(int size);
    void hideSmoothChanged(bool smooth);

private:
    template <class T> void set(T DrawProperties::*field, const T& value)
    {
        DrawProperties look = m_look;
        look.*field = value;
        setLook(look);
    }

    DrawMode m_mode = DrawMode::None;
    DrawProperties m_look;
};
