#include "capture/LateSaveFailures.h"

#include "capture/AboveView.h"
#include "capture/DrawView.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"

#include <QCoreApplication>
#include <QList>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace {

struct Failure
{
    SaveResult result;
    std::shared_ptr<FinishedPicture> picture;
};

QList<Failure> s_waiting;
bool s_showing = false;
bool s_ending = false;
bool s_askAtEnd = false;
bool s_interrupted = false; // a box was closed by the end of the program
bool s_unsaved = false;

QString message(const SaveResult& result)
{
    return QCoreApplication::translate("SaveDialog", "The picture could not be saved as %1:\n%2")
        .arg(result.fileName, result.error);
}

// The box over the snapshot on the screen, if there is one, else above the
// other windows. True when the user answered it.
bool ask(const SaveResult& result)
{
    CDrawView* view = CDrawView::onScreen();
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("SaveDialog", "Error"),
                    message(result) + QLatin1String("\n\n") +
                        QCoreApplication::translate("FinishNotice", "The picture is on the clipboard."),
                    QMessageBox::Ok, view);
    if (view)
        return execAboveView(&box) == QMessageBox::Ok;
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    return box.exec() == QMessageBox::Ok;
}

void tellOnStandardError(const SaveResult& result)
{
    std::fprintf(
        stderr, "vireoscape: %s\n",
        qUtf8Printable(message(result).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QLatin1Char(' ') +
                       QCoreApplication::translate("FinishNotice", "The picture is on the clipboard.")));
}

void showWaiting()
{
    if (s_showing)
        return; // the box on the screen goes first; the loop below takes this one next
    s_showing = true;
    while (!s_waiting.isEmpty()) {
        const Failure failure = s_waiting.takeFirst();
        // The clipboard holds the picture whose failure is being told, until
        // something else takes it.
        if (!clipboardHolds(failure.picture))
            copyPictureToClipboard(failure.picture);
        const bool boxAllowed = !s_interrupted && (!s_ending || s_askAtEnd);
        const bool seen = boxAllowed && ask(failure.result);
        // A box closed by the end of the program was not seen, nor can any
        // box after it be.
        if (boxAllowed && !seen)
            s_interrupted = true;
        if (!seen || s_ending) {
            tellOnStandardError(failure.result);
            s_unsaved = true;
        }
    }
    s_showing = false;
}

} // namespace

namespace LateSaveFailures {

void report(const SaveResult& result, const std::shared_ptr<FinishedPicture>& picture)
{
    s_waiting.append({result, picture});
    showWaiting();
}

void programEnding(bool askUser)
{
    s_ending = true;
    s_askAtEnd = askUser;
}

bool unsavedAtEnd()
{
    return s_unsaved;
}

} // namespace LateSaveFailures
