#include "annotate/SnapshotEdit.h"
#include "capture/AboveView.h"
#include "capture/DrawView.h"
#include "capture/FinishNotice.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"
#include "output/SaveDialog.h"

#include <QCoreApplication>
#include <QGraphicsView>
#include <QMessageBox>
#include <QPainter>

#include <cmath>

namespace {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    execAboveView(&box);
}

} // namespace

QString CSGraphicsScene::savePicture(const QImage& picture)
{
    return savePictureAs(drawView(), picture, execAboveView);
}

CFinisher::Outcome CDrawView::finishWith(FinishActions actions, bool ends)
{
    CSGraphicsScene* s = snapshotScene();
    if (!s)
        return {};
    const FinishSettings settings = FinishSettings::fromConfig();
    if (!actions)
        actions = settings.confirmed();
    // Scene pixels are desktop device pixels from the view's corner.
    const QRect area = s->renderedArea().translated(mapToGlobal(QPoint(0, 0)) * m_ratio);
    QImage pin;
    // Taken now: the last render paints the marks into the desktop.
    QImage around;
    if (actions & FinishAction::Pin) {
        const int margin = int(std::ceil(m_ratio));
        const QRect grown = s->renderedArea().adjusted(-margin, -margin, margin, margin);
        const QPixmap desktop = s->backgroundItem()->pixmap();
        around = QImage(grown.size(), QImage::Format_ARGB32);
        around.fill(Qt::transparent);
        QPainter painter(&around);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QRect onDesktop = grown & desktop.rect();
        painter.drawPixmap(onDesktop.topLeft() - grown.topLeft(), desktop, onDesktop);
    }
    QString saved;
    CFinisher::Outlets outlets;
    outlets.dialog = [s, &saved](const QImage& picture) {
        saved = s->savePicture(picture);
        return !saved.isEmpty();
    };
    outlets.pin = [&pin](const QImage& picture) {
        pin = picture;
        return true;
    };
    outlets.text = [this](const QImage& picture, const QString& language) {
        return readText(picture, language);
    };
    outlets.failed = [this](const QString& text) { showFailure(text); };
    const CFinisher::Outcome outcome = CFinisher(settings, outlets).finish(*s, actions, ends);
    if (outcome.done & FinishAction::Dialog) {
        // "Save picture" leaves the snapshot open: said near the pick, where
        // the user looks, with what OK would do now.
        constexpr int kSavedNoticeMs = 5000;
        if (!ends && AppConfig.ShowFinishNotice)
            showNotice(FinishNotice::afterSaveText(saved), kSavedNoticeMs);
        else if (ends)
            FinishNotice::tell(saved, false);
    }
    if (!ends || outcome.failed)
        return outcome;
    const qreal ratio = m_ratio;
    endSnapshot();
    if (outcome.done & FinishAction::Pin)
        emit pinned(pin, area, ratio, around);
    emit finished(settings.after);
    return outcome;
}

void CDrawView::showFailure(const QString& text)
{
    showMessage(this, QMessageBox::Critical, QCoreApplication::translate("SaveDialog", "Error"), text);
}

void CDrawView::savePicture()
{
    finishWith(FinishAction::Dialog, false);
}

void CDrawView::finishSnapshot()
{
    finishWith({}, true);
}

void CDrawView::copySnapshot()
{
    finishWith(FinishAction::Clipboard, true);
}

void CDrawView::cancelSnapshot()
{
    endSnapshot();
    emit finished(FinishSettings::fromConfig().after);
}
