#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "ocr/TextRecognizer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

void CDrawView::pinSnapshot()
{
    // The clipboard and file are left alone; the main window is treated as
    // after any finish. An empty pick pins the desktop, as OK puts it out.
    if (CSGraphicsScene* s = snapshotScene(); s && s->isPicked())
        finishWith(FinishAction::Pin, true);
}

void CDrawView::copyText()
{
    CSGraphicsScene* s = snapshotScene();
    if (s && s->isPicked() && !m_readingText)
        finishWith(FinishAction::Text, false);
}

bool CDrawView::readText(const QImage& picture, const QString& language)
{
    const QString missing = CTextRecognizer::whatIsMissing(language);
    if (!missing.isEmpty()) {
        showNotice(missing);
        return false;
    }
    m_readingText = true;
    showNotice(tr("Reading text…"), 0);
    recognizeInBackground(picture, language, CTextRecognizer::upscaleFor(m_ratio), this,
                          [this](const RecognizedText& text) {
                              m_readingText = false;
                              if (text.lines.isEmpty()) {
                                  showNotice(tr("No text found"));
                                  emit textCopied(0);
                                  return;
                              }
                              QGuiApplication::clipboard()->setText(text.plainText());
                              showNotice(tr("Copied %n lines", nullptr, int(text.lines.size())));
                              emit textCopied(int(text.lines.size()));
                          });
    return true;
}

void CDrawView::copyColour(const QString& colour)
{
    QGuiApplication::clipboard()->setText(colour);
    showNotice(tr("Copied %1").arg(colour));
}

void CDrawView::showNotice(const QString& text, int milliseconds)
{
    if (!m_notice) {
        m_notice = new QLabel(viewport());
        m_notice->setObjectName(QStringLiteral("notice"));
        m_notice->setStyleSheet(QStringLiteral("QLabel { background: rgba(30, 30, 30, 220); color: white; "
                                               "padding: 4px 8px; border-radius: 4px; }"));
        m_noticeTimer = new QTimer(this);
        m_noticeTimer->setSingleShot(true);
        connect(m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);
    }
    m_notice->setText(text);
    m_notice->adjustSize();
    // Just below the pick, or inside its bottom when the screen ends there.
    QRect pick;
    if (CSGraphicsScene* s = snapshotScene())
        pick = s->renderedArea();
    const QRect shown(QPoint(int(pick.x() / m_ratio), int(pick.y() / m_ratio)),
                      QSize(int(pick.width() / m_ratio), int(pick.height() / m_ratio)));
    QPoint at(shown.left(), shown.bottom() + 6);
    // Below the strips where they lie there: they float above the view.
    if (m_editDialog) {
        for (const QWidget* strip :
             {static_cast<QWidget*>(m_editDialog), static_cast<QWidget*>(m_editDialog->propDialog())}) {
            const QRect place(viewport()->mapFromGlobal(strip->mapToGlobal(QPoint(0, 0))), strip->size());
            if (strip->isVisible() && place.intersects(QRect(at, m_notice->size())))
                at.setY(place.bottom() + 6);
        }
    }
    if (at.y() + m_notice->height() > viewport()->height())
        at.setY(std::max(0, shown.bottom() - m_notice->height() - 6));
    at.setX(std::clamp(at.x(), 0, std::max(0, viewport()->width() - m_notice->width())));
    m_notice->move(at);
    m_notice->show();
    m_notice->raise();
    if (milliseconds > 0)
        m_noticeTimer->start(milliseconds);
    else
        m_noticeTimer->stop();
}

QString CDrawView::noticeText() const
{
    return m_notice && m_notice->isVisible() ? m_notice->text() : QString();
}
