#pragma once

class QDialog;

// Runs a modal dialog above the capture view: the view is an
// override-redirect window that no window manager stacks a managed dialog
// over, and it holds the keyboard, which the dialog needs meanwhile.
int execAboveView(QDialog* dialog);
