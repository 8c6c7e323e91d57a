#include "options/AboutPage.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

QString CAboutPage::buildDate()
{
    return QStringLiteral(__DATE__);
}

QString CAboutPage::buildTime()
{
    return QStringLiteral(__TIME__);
}

QString CAboutPage::platformName()
{
#ifdef Q_OS_LINUX
    return QStringLiteral("Linux");
#else
    return QSysInfo::kernelType();
#endif
}

CAboutPage::CAboutPage(QWidget* parent) : QWidget(parent)
{
    auto* titleLabel = new QLabel(QStringLiteral("Vireoscape 2.1 (%1)").arg(platformName()));
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    auto* buildLabel = new QLabel(tr("Build Time: %1, %2").arg(buildDate(), buildTime()));
    buildLabel->setObjectName(QStringLiteral("buildLabel"));

    auto* textColumn = new QVBoxLayout;
    textColumn->addStretch(1);
    textColumn->addWidget(titleLabel);
    textColumn->addStretch(1);
    textColumn->addWidget(buildLabel);
    textColumn->addStretch(1);

    QIcon logo;
    logo.addFile(QStringLiteral(":/Resources/Vireoscape.png"), QSize(32, 32), QIcon::Normal, QIcon::Off);
    auto* logoButton = new QPushButton;
    logoButton->setObjectName(QStringLiteral("logoButton"));
    logoButton->setIcon(logo);
    logoButton->setFlat(true);
    logoButton->setIconSize(QSize(48, 48));

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(logoButton);
    topRow->addLayout(textColumn);
    topRow->addStretch(1);

    auto* noticeLabel = new QLabel(tr("Vireoscape is the property of"));
    noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    noticeLabel->setTextFormat(Qt::RichText);
    auto* linkLabel = new QLabel(tr("<a href=\"https://valdo-software.org/vireoscape\">Valdo Software</a>"));
    linkLabel->setObjectName(QStringLiteral("linkLabel"));
    linkLabel->setOpenExternalLinks(true);

    auto* noticeRow = new QHBoxLayout;
    noticeRow->addWidget(noticeLabel);
    noticeRow->addWidget(linkLabel);
    noticeRow->addStretch(1);

    auto* rightsLabel = new QLabel(tr("Copyright (C) 2026 Valdo Software. All rights reserved."));
    rightsLabel->setObjectName(QStringLiteral("rightsLabel"));

    auto* noticeColumn = new QVBoxLayout;
    noticeColumn->addLayout(noticeRow);
    noticeColumn->addWidget(rightsLabel);

    auto* centreColumn = new QVBoxLayout;
    centreColumn->addStretch(1);
    centreColumn->addLayout(topRow);
    centreColumn->addStretch(1);
    centreColumn->addLayout(noticeColumn);
    centreColumn->addStretch(1);

    auto* layout = new QHBoxLayout;
    layout->addStretch(1);
    layout->addLayout(centreColumn);
    layout->addStretch(1);
    setLayout(layout);
}
