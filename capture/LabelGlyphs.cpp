#include "capture/LabelGlyphs.h"

#include <QVector>

void CLabelGlyphs::setFont(const QFont& font)
{
    m_font = font;
    m_raw = QRawFont();
    m_glyphs.clear();
    m_text.clear();
    m_run = QGlyphRun();
}

const QGlyphRun& CLabelGlyphs::run(const QString& text)
{
    if (text == m_text && !m_run.isEmpty())
        return m_run;
    if (!m_raw.isValid())
        m_raw = QRawFont::fromFont(m_font);
    QVector<quint32> indexes;
    QVector<QPointF> positions;
    indexes.reserve(text.size());
    positions.reserve(text.size());
    const qreal ascent = m_raw.ascent();
    qreal x = 0;
    for (const QChar c : text) {
        auto known = m_glyphs.constFind(c.unicode());
        if (known == m_glyphs.cend()) {
            const QVector<quint32> glyph = m_raw.glyphIndexesForString(QString(c));
            const quint32 index = glyph.isEmpty() ? 0 : glyph.first();
            const QVector<QPointF> advance = m_raw.advancesForGlyphIndexes(QVector<quint32>{index});
            known = m_glyphs.insert(c.unicode(), {index, advance.isEmpty() ? 0 : advance.first().x()});
        }
        indexes << known->first;
        positions << QPointF(x, ascent);
        x += known->second;
    }
    m_run = QGlyphRun();
    m_run.setRawFont(m_raw);
    m_run.setGlyphIndexes(indexes);
    m_run.setPositions(positions);
    m_text = text;
    m_size = QSizeF(x, ascent + m_raw.descent());
    return m_run;
}
