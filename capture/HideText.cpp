#include "annotate/DrawHideItem.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "ocr/PersonalData.h"
#include "ocr/TextRecognizer.h"

#include <QUndoStack>

void CDrawView::hideText(bool allText)
{
    CSGraphicsScene* s = snapshotScene();
    if (!s || !s->isPicked() || m_readingText)
        return;
    const QString missing = CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage);
    if (!missing.isEmpty()) {
        showNotice(missing);
        return;
    }
    m_readingText = true;
    showNotice(tr("Reading text…"), 0);
    // The marks go where the text was read, even if the pick moves meanwhile.
    const QRect area = s->renderedArea();
    recognizeInBackground(
        s->renderSelection(), AppConfig.SnapshotTextLanguage, CTextRecognizer::upscaleFor(m_ratio), this,
        [this, area, allText](const RecognizedText& text) {
            m_readingText = false;
            // The snapshot ended meanwhile: nothing to mark.
            if (!isVisible())
                return;
            QList<QRect> hidden;
            for (const QRect& box : allText ? textLineAreas(text) : personalDataAreas(text)) {
                const QRect onDesktop = box.translated(area.topLeft()) & area;
                if (!onDesktop.isEmpty())
                    hidden << onDesktop;
            }
            if (CSGraphicsScene* scene = snapshotScene())
                scene->addHideMarks(hidden);
            const int n = int(hidden.size());
            if (n == 0)
                showNotice(allText ? tr("No text found") : tr("No personal data found"));
            else
                showNotice(allText ? tr("Hid %n lines", nullptr, n) : tr("Hid %n items", nullptr, n));
            emit textHidden(n);
        });
}

void CSGraphicsScene::addHideMarks(const QList<QRect>& areas)
{
    if (areas.isEmpty())
        return;
    endItemInProgress();
    // One step for all of them: a single undo takes them all back.
    m_undo->beginMacro(tr("Hide text"));
    for (const QRect& area : areas) {
        auto* hide = new CDrawHideItem(this);
        hide->setCover(look().hideBlock, look().hideSmooth);
        hide->setArea(QRectF(area));
        addMark(hide);
        releaseCurrentMark();
    }
    m_undo->endMacro();
}
