#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QSizeF>

#include <utility>

// A short label that changes with every pointer move (the magnifier's
// coordinates and colour): each character's glyph and advance are looked up
// once, so a new text becomes a glyph run without being shaped and laid out.
class CLabelGlyphs
{
public:
    void setFont(const QFont& font);
    // The text's glyphs, their origin at the top left of its line.
    const QGlyphRun& run(const QString& text);
    // The last run's advance and line height.
    QSizeF size() const { return m_size; }

private:
    QFont m_font;
    QRawFont m_raw;
    QHash<char16_t, std::pair<quint32, qreal>> m_glyphs;
    QString m_text;
    QGlyphRun m_run;
    QSizeF m_size;
};
