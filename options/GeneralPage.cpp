#include "options/GeneralPage.h"

#include "config/AppConfig.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CGeneralPage::CGeneralPage(QWidget* parent) : QWidget(parent)
{
    autoRunCheckBox = new QCheckBox(tr("Auto run when start up"));
    autoRunCheckBox->setObjectName(QStringLiteral("autoRunCheckBox"));
    autoHideCheckBox = new QCheckBox(tr("Hide to tray after run"));
    autoHideCheckBox->setObjectName(QStringLiteral("autoHideCheckBox"));
    closeToTrayCheckBox = new QCheckBox(tr("Click \"Close\" to hide to tray"));
    closeToTrayCheckBox->setObjectName(QStringLiteral("closeToTrayCheckBox"));
    auto* afterFinishGroup = new QGroupBox(tr("After click \"Finish\""));
    hideToTrayRadio = new QRadioButton(tr("Hide to tray"));
    hideToTrayRadio->setObjectName(QStringLiteral("hideToTrayRadio"));
    showMainWndRadio = new QRadioButton(tr("Show main window"));
    showMainWndRadio->setObjectName(QStringLiteral("showMainWndRadio"));
    exitAppRadio = new QRadioButton(tr("Exit application"));
    exitAppRadio->setObjectName(QStringLiteral("exitAppRadio"));
    finishNoticeCheckBox = new QCheckBox(tr("Show a notice of where the picture went"));
    finishNoticeCheckBox->setObjectName(QStringLiteral("finishNoticeCheckBox"));

    auto* groupLayout = new QVBoxLayout;
    groupLayout->addWidget(hideToTrayRadio);
    groupLayout->addStretch(1);
    groupLayout->addWidget(showMainWndRadio);
    groupLayout->addWidget(exitAppRadio);
    groupLayout->addWidget(finishNoticeCheckBox);
    afterFinishGroup->setLayout(groupLayout);

    auto* layout = new QVBoxLayout;
    layout->addWidget(autoRunCheckBox);
    layout->addStretch(1);
    layout->addWidget(autoHideCheckBox);
    layout->addStretch(1);
    layout->addWidget(closeToTrayCheckBox);
    layout->addStretch(1);
    layout->addWidget(afterFinishGroup);
    setLayout(layout);

    loadSettings();
}

void CGeneralPage::loadSettings()
{
    autoRunCheckBox->setChecked(AppConfig.GenAutoRun);
    autoHideCheckBox->setChecked(AppConfig.GenAutoHide);
    closeToTrayCheckBox->setChecked(AppConfig.GenCloseToTray);
    finishNoticeCheckBox->setChecked(AppConfig.ShowFinishNotice);
    QRadioButton* const radios[] = {hideToTrayRadio, showMainWndRadio, exitAppRadio};
    // An exclusive group refuses to uncheck its checked button directly.
    for (QRadioButton* radio : radios)
        radio->setAutoExclusive(false);
    // In the order of the values.
    for (const AfterFinish action :
         {AfterFinish::HideToTray, AfterFinish::ShowMainWindow, AfterFinish::ExitApplication})
        radios[int(action)]->setChecked(AppConfig.GenActionAfterFinish == int(action));
    for (QRadioButton* radio : radios)
        radio->setAutoExclusive(true);
}

void CGeneralPage::saveSettings()
{
    AppConfig.GenAutoRun = autoRunCheckBox->isChecked();
    AppConfig.GenAutoHide = autoHideCheckBox->isChecked();
    AppConfig.GenCloseToTray = closeToTrayCheckBox->isChecked();
    AppConfig.ShowFinishNotice = finishNoticeCheckBox->isChecked();
    if (hideToTrayRadio->isChecked())
        AppConfig.GenActionAfterFinish = int(AfterFinish::HideToTray);
    else if (showMainWndRadio->isChecked())
        AppConfig.GenActionAfterFinish = int(AfterFinish::ShowMainWindow);
    else if (exitAppRadio->isChecked())
        AppConfig.GenActionAfterFinish = int(AfterFinish::ExitApplication);
    // With none checked (an unknown stored value) the stored value stays, rather
    // than turning into "Exit application", which the user never chose.
}

void CGeneralPage::restoreDefaults()
{
    autoRunCheckBox->setChecked(true);
    autoHideCheckBox->setChecked(false);
    closeToTrayCheckBox->setChecked(true);
    hideToTrayRadio->setChecked(false);
    showMainWndRadio->setChecked(true);
    exitAppRadio->setChecked(false);
    finishNoticeCheckBox->setChecked(true);
}
