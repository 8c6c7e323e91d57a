#pragma once

#include <QCoreApplication>
#include <QWidget>

// Page "About" of the options dialog: logo, name and version, build time and
// the maker's notices. Reads and writes no setting.
class CAboutPage : public QWidget
{
    // Its texts are translated in its own context, as lupdate files them.
    Q_DECLARE_TR_FUNCTIONS(CAboutPage)

public:
    explicit CAboutPage(QWidget* parent = nullptr);

    // The date and time this program was built ("Jan  5 2013", "21:43:02").
    static QString buildDate();
    static QString buildTime();
    // The system this build runs on, as the title names it ("Linux").
    static QString platformName();
};
