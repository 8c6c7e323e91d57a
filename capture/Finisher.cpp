#include "capture/Finisher.h"

#include "capture/FinishNotice.h"
#include "capture/LateSaveFailures.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"

#include <QCoreApplication>

#include <memory>

FinishSettings FinishSettings::fromConfig()
{
    FinishSettings s;
    s.toClipboard = AppConfig.CopyToClipboardAfterFinish;
    s.toFile = AppConfig.SaveToFileAfterFinish;
    s.after = afterFinishFrom(AppConfig.GenActionAfterFinish);
    s.textLanguage = AppConfig.SnapshotTextLanguage;
    return s;
}

FinishActions FinishSettings::confirmed() const
{
    FinishActions actions;
    if (toClipboard)
        actions |= FinishAction::Clipboard;
    if (toFile)
        actions |= FinishAction::File;
    return actions ? actions : FinishActions(FinishAction::Dialog);
}

CFinisher::CFinisher(const FinishSettings& settings, Outlets outlets)
    : m_settings(settings), m_outlets(std::move(outlets))
{
}

CFinisher::Outcome CFinisher::finish(CSGraphicsScene& scene, FinishActions actions, bool ends) const
{
    Outcome out;
    // The file is made first, before anything is rendered: where it cannot
    // be, the snapshot can stay open as it was.
    PictureFile file;
    if (actions & FinishAction::File) {
        const SaveResult created = createPictureFile(scene.backgroundItem()->pixmap().toImage(), &file);
        if (!created.ok) {
            out.failed |= FinishAction::File;
            if (m_outlets.failed)
                m_outlets.failed(
                    QCoreApplication::translate("SaveDialog", "The picture could not be saved as %1:\n%2")
                        .arg(created.fileName, created.error));
        }
    }
    const FinishActions left = actions & ~out.failed;
    if (!left)
        return out;
    // Rendered once for every action and encoded at most once (the file and
    // the clipboard share the encoding); for the scene's last use, without
    // a copy, only when the snapshot ends whatever follows.
    const bool lastUse = ends && !out.failed && !(left & (FinishAction::Dialog | FinishAction::Text));
    const auto picture = std::make_shared<FinishedPicture>(lastUse ? scene.renderSelectionForTheLastTime()
                                                                   : scene.renderSelection());
    if (left & FinishAction::Clipboard) {
        copyPictureToClipboard(picture);
        out.done |= FinishAction::Clipboard;
    }
    if (left & FinishAction::File) {
        // Written in the background (the snapshot can end meanwhile); a file
        // that fails then keeps the picture on the clipboard, and the user is
        // told above whatever shows then.
        // One written is told with the name it got.
        const bool alsoClipboard = bool(left & FinishAction::Clipboard);
        fillPictureFileLater(picture, file, [picture, alsoClipboard](const SaveResult& written) {
            if (written.ok)
                FinishNotice::tell(written.fileName, alsoClipboard);
            else
                LateSaveFailures::report(written, picture);
        });
        out.done |= FinishAction::File;
    } else if (left & FinishAction::Clipboard) {
        FinishNotice::tell(QString(), true);
    }
    const auto through = [&](FinishAction action, const auto& outlet) {
        if (!(left & action))
            return;
        if (outlet(picture->image()))
            out.done |= action;
        else
            out.failed |= action;
    };
    through(FinishAction::Dialog,
            [this](const QImage& image) { return m_outlets.dialog && m_outlets.dialog(image); });
    through(FinishAction::Pin, [this](const QImage& image) { return m_outlets.pin && m_outlets.pin(image); });
    through(FinishAction::Text, [this](const QImage& image) {
        return m_outlets.text && m_outlets.text(image, m_settings.textLanguage);
    });
    return out;
}
