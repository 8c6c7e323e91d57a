#pragma once

#include "ocr/TextRecognizer.h"

#include <QList>
#include <QRect>

// Where recognised text shows personal data: every word (or run of words on
// one line) that looks like an e-mail address, a link, an IP address, or a
// phone, card or account number (6 or more digits, perhaps grouped by spaces
// or dashes, perhaps after a "+"; IBANs too), or the word after a password's,
// PIN's, token's or key's label and a colon or "=". Dates and version numbers
// are left alone. One box per find, in the picture's pixels, grown on every
// side by hideAreaFor.
QList<QRect> personalDataAreas(const RecognizedText& text);

// Every line of text, grown the same way.
QList<QRect> textLineAreas(const RecognizedText& text);

// A box of recognised text grown so that no edge of a letter shows beside
// it: the boxes hug the ink, and smoothed letters reach a pixel or so
// beyond. Less to the sides, where the next word may be one space away.
QRect hideAreaFor(const QRect& textBox);
