#include "capture/AboveView.h"
#include "capture/FinishNotice.h"
#include "capture/LateSaveFailures.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"

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

bool CSGraphicsScene::savePicture(QString* savedAs)
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
    const SaveResult result = writeImageFile(renderSelection(), fileName, format, -1, true);
    if (!result.ok) {
        showMessage(view, QMessageBox::Critical, tr("Error"),
                    tr("The picture could not be saved as %1:\n%2").arg(result.fileName, result.error));
        return false;
    }
    // The next "Save picture" opens in this folder.
    AppConfig.LastOpenFileName = result.fileName;
    if (savedAs)
        *savedAs = result.fileName;
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

bool CSGraphicsScene::finishSnapshot()
{
    const bool toClipboard = AppConfig.CopyToClipboardAfterFinish;
    const bool toFile = AppConfig.SaveToFileAfterFinish;
    if (!toClipboard && !toFile) {
        QString saved;
        if (!savePicture(&saved))
            return false;
        FinishNotice::tell(saved, false);
        return true;
    }

    // The file is made first: where it cannot be, the snapshot stays open
    // as it was. The picture is then rendered once, for the last time, for
    // every destination and encoded at most once: the file is written in the
    // background (the snapshot can end meanwhile), and the clipboard encodes
    // only when a program pastes.
    PictureFile file;
    if (toFile) {
        const SaveResult created = createPictureFile(m_backgroundItem->pixmap().toImage(), &file);
        if (!created.ok) {
            showMessage(drawView(), QMessageBox::Critical, tr("Error"),
                        tr("The picture could not be saved as %1:\n%2").arg(created.fileName, created.error));
            return false;
        }
    }
    const auto picture = std::make_shared<FinishedPicture>(renderSelectionForTheLastTime());
    if (toClipboard)
        copyPictureToClipboard(picture);
    if (toFile) {
        // A file that fails now keeps the picture on the clipboard, and the
        // user is told above whatever shows then; one written is told with
        // the name it got.
        fillPictureFileLater(picture, file, [picture, toClipboard](const SaveResult& written) {
            if (written.ok)
                FinishNotice::tell(written.fileName, toClipboard);
            else
                LateSaveFailures::report(written, picture);
        });
    } else {
        FinishNotice::tell(QString(), true);
    }
    return true;
}
