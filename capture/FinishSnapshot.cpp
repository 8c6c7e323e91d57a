#include "annotate/SnapshotEdit.h"
#include "capture/AboveView.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsView>
#include <QFileInfo>
#include <QMessageBox>

namespace {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    execAboveView(&box);
}

} // namespace

bool CSGraphicsScene::savePicture(const QImage& picture)
{
    QGraphicsView* view = drawView();
    QFileDialog dialog(view, tr("Save"), savePictureStartPath(), tr("Image file(*.png *.jpg *.bmp *.xbm)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix is saved as the filter's first type.
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // Our own dialog, so that it can float above the capture view; we ask
    // about replacing a file ourselves for the same reason.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    if (execAboveView(&dialog) != QDialog::Accepted)
        return false;
    const QString fileName = dialog.selectedFiles().value(0);
    if (fileName.isEmpty())
        return false;

    const QByteArray format = formatForSuffix(QFileInfo(fileName).suffix());
    if (format.isEmpty()) {
        showMessage(view, QMessageBox::Critical, tr("Unsupportted Format"), tr("Unsupportted Image Format"));
        return false;
    }
    if (QFileInfo::exists(fileName)) {
        QMessageBox ask(
            QMessageBox::Question, tr("Save"),
            tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(fileName).fileName()),
            QMessageBox::Yes | QMessageBox::No, view);
        ask.setDefaultButton(QMessageBox::No);
        if (execAboveView(&ask) != QMessageBox::Yes)
            return false;
    }
    const SaveResult result = writeImageFile(picture, fileName, format, -1, true);
    if (!result.ok) {
        showMessage(view, QMessageBox::Critical, tr("Error"),
                    tr("The picture could not be saved as %1:\n%2").arg(result.fileName, result.error));
        return false;
    }
    // The next "Save picture" opens in this folder.
    AppConfig.LastOpenFileName = result.fileName;
    return true;
}

QString CSGraphicsScene::savePictureStartPath()
{
    // A fresh name from the pattern, in the folder of the last picture saved
    // this way, or the first time in the snapshot folder.
    // A stored folder is itself the place.
    const QString last = AppConfig.LastOpenFileName;
    const bool lastIsFolder = !last.isEmpty() && QFileInfo(last).isDir();
    QString folder = last.isEmpty() ? AppConfig.SnapshotFilePath
                     : lastIsFolder ? last
                                    : QFileInfo(last).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = CAppConfig::defaultSnapshotDir();
    QString suffix = last.isEmpty() || lastIsFolder ? AppConfig.SnapshotFileNameExt
                                                    : QLatin1Char('.') + QFileInfo(last).suffix();
    if (formatForSuffix(suffix.mid(1)).isEmpty())
        suffix = QStringLiteral(".png");
    return QDir(folder).filePath(expandFileName(AppConfig.SnapshotFileName) + suffix);
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
    CFinisher::Outlets outlets;
    outlets.dialog = [s](const QImage& picture) { return s->savePicture(picture); };
    outlets.pin = [&pin](const QImage& picture) {
        pin = picture;
        return true;
    };
    outlets.text = [this](const QImage& picture, const QString& language) { return readText(picture, language); };
    outlets.failed = [this](const QString& text) { showFailure(text); };
    const CFinisher::Outcome outcome = CFinisher(settings, outlets).finish(*s, actions, ends);
    if (!ends || outcome.failed)
        return outcome;
    const qreal ratio = m_ratio;
    endSnapshot();
    if (outcome.done & FinishAction::Pin)
        emit pinned(pin, area, ratio);
    emit finished(settings.after);
    return outcome;
}

void CDrawView::showFailure(const QString& text)
{
    showMessage(this, QMessageBox::Critical, QCoreApplication::translate("CSGraphicsScene", "Error"), text);
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
