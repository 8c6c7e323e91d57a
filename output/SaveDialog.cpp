#include "output/SaveDialog.h"

#include "config/AppConfig.h"
#include "output/PictureFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>

namespace {

int run(QDialog* dialog, const std::function<int(QDialog*)>& exec)
{
    return exec ? exec(dialog) : dialog->exec();
}

void complain(QWidget* parent, const QString& title, const QString& text,
              const std::function<int(QDialog*)>& exec)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    run(&box, exec);
}

} // namespace

QString savePictureAs(QWidget* parent, const QImage& picture, const std::function<int(QDialog*)>& exec)
{
    QFileDialog dialog(parent, QCoreApplication::translate("SaveDialog", "Save"), savePictureStartPath(),
                       QCoreApplication::translate("SaveDialog", "Image file(*.png *.jpg *.bmp *.xbm)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix is saved as the filter's first type.
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // Our own dialog, so that it can float above the capture view; we ask
    // about replacing a file ourselves for the same reason.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    if (run(&dialog, exec) != QDialog::Accepted)
        return QString();
    const QString fileName = dialog.selectedFiles().value(0);
    if (fileName.isEmpty())
        return QString();

    const QByteArray format = formatForSuffix(QFileInfo(fileName).suffix());
    if (format.isEmpty()) {
        complain(parent, QCoreApplication::translate("SaveDialog", "Unsupportted Format"),
                 QCoreApplication::translate("SaveDialog", "Unsupportted Image Format"), exec);
        return QString();
    }
    if (QFileInfo::exists(fileName)) {
        QMessageBox ask(
            QMessageBox::Question, QCoreApplication::translate("SaveDialog", "Save"),
            QCoreApplication::translate("SaveDialog", "%1 already exists.\nDo you want to replace it?")
                .arg(QFileInfo(fileName).fileName()),
            QMessageBox::Yes | QMessageBox::No, parent);
        ask.setDefaultButton(QMessageBox::No);
        if (run(&ask, exec) != QMessageBox::Yes)
            return QString();
    }
    QImage pixels = picture;
    pixels.setDevicePixelRatio(1.0);
    const SaveResult result = writeImageFile(pixels, fileName, format, -1, true);
    if (!result.ok) {
        complain(parent, QCoreApplication::translate("SaveDialog", "Error"),
                 QCoreApplication::translate("SaveDialog", "The picture could not be saved as %1:\n%2")
                     .arg(result.fileName, result.error),
                 exec);
        return QString();
    }
    // The next "Save picture" opens in this folder.
    AppConfig.LastOpenFileName = result.fileName;
    return result.fileName;
}

QString savePictureStartPath()
{
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
