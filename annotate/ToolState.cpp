#include "annotate/ToolState.h"

CToolState::CToolState(QObject* parent) : QObject(parent) {}

void CToolState::setMode(DrawMode mode)
{
    m_mode = mode;
    emit modeChanged(mode);
}

void CToolState::setLook(const DrawProperties& look)
{
    const DrawProperties before = m_look;
    m_look = look;
    // The changed signal of every value that differs, then the whole change.
    auto tell = [&](auto field, auto signal) {
        if (before.*field != look.*field)
            emit(this->*signal)(look.*field);
    };
    tell(&DrawProperties::frameColor, &CToolState::frameColorChanged);
    tell(&DrawProperties::fillColor, &CToolState::fillColorChanged);
    tell(&DrawProperties::fontColor, &CToolState::fontColorChanged);
    tell(&DrawProperties::frame, &CToolState::frameChanged);
    tell(&DrawProperties::fill, &CToolState::fillChanged);
    tell(&DrawProperties::frameWidth, &CToolState::frameWidthChanged);
    tell(&DrawProperties::transparency, &CToolState::transparencyChanged);
    tell(&DrawProperties::fontFamily, &CToolState::fontFamilyChanged);
    tell(&DrawProperties::fontSize, &CToolState::fontSizeChanged);
    tell(&DrawProperties::highlightColor, &CToolState::highlightColorChanged);
    tell(&DrawProperties::highlightWidth, &CToolState::highlightWidthChanged);
    tell(&DrawProperties::hideBlock, &CToolState::hideBlockChanged);
    tell(&DrawProperties::hideSmooth, &CToolState::hideSmoothChanged);
    if (!(before == look))
        emit lookChanged(before, look);
}
