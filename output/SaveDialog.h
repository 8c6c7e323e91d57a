#pragma once

#include <QString>

#include <functional>

class QDialog;
class QImage;
class QWidget;

// "Save picture" wherever a picture is saved by hand: the file dialog with
// the picture formats, opening where the last picture was saved this way,
// the question before an existing file is replaced, the message when the
// format is unknown or the write fails, and the folder remembered for next
// time (LastOpenFileName).
//
// `exec` runs each of its dialogs modally (the capture view needs its own
// way above an override-redirect window); empty: QDialog::exec.
// Returns the file written, or an empty string (cancelled or failed).
QString savePictureAs(QWidget* parent, const QImage& picture,
                      const std::function<int(QDialog*)>& exec = std::function<int(QDialog*)>());

// Where the dialog opens: a fresh name from the pattern, in the folder of
// the last picture saved this way (the snapshot folder the first time),
// with that picture's suffix.
QString savePictureStartPath();
