#pragma once

#include <QCoreApplication>
#include <QWidget>

class QCheckBox;
class QRadioButton;

// Page "General" of the options dialog: start and tray behaviour and what
// happens to the main window after a snapshot is finished.
class CGeneralPage : public QWidget
{
    // Its texts are translated in its own context, as lupdate files them.
    Q_DECLARE_TR_FUNCTIONS(CGeneralPage)

public:
    explicit CGeneralPage(QWidget* parent = nullptr);

    void loadSettings();
    void saveSettings();
    void restoreDefaults();

private:
    QCheckBox* autoRunCheckBox;
    QCheckBox* autoHideCheckBox;
    QCheckBox* closeToTrayCheckBox;
    QRadioButton* hideToTrayRadio;
    QRadioButton* showMainWndRadio;
    QRadioButton* exitAppRadio;
    QCheckBox* finishNoticeCheckBox;
};
