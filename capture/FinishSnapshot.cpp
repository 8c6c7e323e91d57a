#include "capture/AboveView.h"
#include "capture/LateSaveFailures.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"
#include "output/SaveDialog.h"

#include <QGraphicsView>
#include <QMessageBox>

namespace {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    execAboveView(&box);
}

} // namespace

bool CSGraphicsScene::savePicture()
{
    return !savePictureAs(drawView(), renderSelection(), execAboveView).isEmpty();
}

bool CSGraphicsScene::finishSnapshot()
{
    const bool toClipboard = AppConfig.CopyToClipboardAfterFinish;
    const bool toFile = AppConfig.SaveToFileAfterFinish;
    if (!toClipboard && !toFile)
        return savePicture();

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
        // user is told above whatever shows then.
        fillPictureFileLater(picture, file, [picture](const SaveResult& written) {
            if (!written.ok)
                LateSaveFailures::report(written, picture);
        });
    }
    return true;
}
