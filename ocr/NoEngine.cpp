#include "ocr/TextRecognizer.h"

#include <QCoreApplication>

std::unique_ptr<CTextRecognizer> CTextRecognizer::create(const QString&)
{
    return none(QCoreApplication::translate("CTextRecognizer",
                                            "Text recognition needs Tesseract: install libtesseract-dev and "
                                            "tesseract-ocr-eng, then build again"));
}
