#pragma once

#include <memory>

struct SaveResult;
class FinishedPicture;

// Picture files that failed after their snapshot ended (a full disk found
// while writing). The picture is never lost without the user knowing: it is
// put on the clipboard (back, when another took its place) and the failure
// is shown above whatever the program shows, the next snapshot's view too.
// Once the program is ending, failures go to standard error as well.
namespace LateSaveFailures {

// Tells the user about a failed file (after the one being told, if any).
void report(const SaveResult& result, const std::shared_ptr<FinishedPicture>& picture);

// The event loop has ended: from now on failures go to standard error, and
// to a box as well when `askUser` (an "Exit", not a termination signal).
void programEnding(bool askUser);

// Whether a picture failed while the program was ending, or its box was
// never answered (a signal ended the program meanwhile): its file is
// missing and only the clipboard holds it.
bool unsavedAtEnd();

} // namespace LateSaveFailures
