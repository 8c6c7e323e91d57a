#include "options/OptionsDialog.h"

#include "config/AppConfig.h"
#include "options/AboutPage.h"
#include "options/GeneralPage.h"
#include "options/ShortcutList.h"
#include "options/SnapshotPage.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

COptionsDialog::COptionsDialog(QWidget* parent, Qt::WindowFlags f) : QDialog(parent, f)
{
    contentsWidget = new QListWidget;
    contentsWidget->setObjectName(QStringLiteral("contentsWidget"));
    contentsWidget->setViewMode(QListView::IconMode);
    contentsWidget->setIconSize(QSize(32, 32));
    contentsWidget->setMovement(QListView::Static);
    contentsWidget->setMaximumWidth(70);
    contentsWidget->setSpacing(5);

    pagesWidget = new QStackedWidget;
    pagesWidget->setObjectName(QStringLiteral("pagesWidget"));
    generalPage = new CGeneralPage;
    snapshotPage = new CSnapshotPage;
    shortcutPage = new CShortcutPage;
    aboutPage = new CAboutPage;
    pagesWidget->addWidget(generalPage);
    pagesWidget->addWidget(snapshotPage);
    pagesWidget->addWidget(shortcutPage);
    pagesWidget->addWidget(aboutPage);

    auto* defaultButton = new QPushButton(tr("Default"));
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    auto* cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    auto* okButton = new QPushButton(tr("OK"));
    okButton->setObjectName(QStringLiteral("okButton"));

    createIcons();
    contentsWidget->setCurrentRow(0);

    connect(defaultButton, &QPushButton::clicked, this, &COptionsDialog::OnDefault);
    connect(cancelButton, &QPushButton::clicked, this, &COptionsDialog::OnCancel);
    connect(okButton, &QPushButton::clicked, this, &COptionsDialog::OnOK);

    auto* horizontalLayout = new QHBoxLayout;
    horizontalLayout->addWidget(contentsWidget);
    horizontalLayout->addWidget(pagesWidget, 1);

    auto* buttonsLayout = new QHBoxLayout;
    buttonsLayout->addStretch(1);
    buttonsLayout->addWidget(defaultButton);
    buttonsLayout->addWidget(cancelButton);
    buttonsLayout->addWidget(okButton);

    auto* mainLayout = new QVBoxLayout;
    mainLayout->addLayout(horizontalLayout);
    mainLayout->addSpacing(12);
    mainLayout->addLayout(buttonsLayout);
    setLayout(mainLayout);

    setWindowTitle(tr("Config Dialog"));
}

COptionsDialog::~COptionsDialog() = default;

QSize COptionsDialog::sizeHint() const
{
    return QSize(500, 350);
}

void COptionsDialog::createIcons()
{
    struct Entry
    {
        const char* icon;
        QString text;
    };
    const Entry entries[] = {
        {":/Resources/general.png", tr("General")},
        {":/Resources/snaps.png", tr("Snapshot")},
        {":/Resources/shortcut.png", tr("Shortcut")},
        {":/Resources/about.png", tr("About")},
    };
    for (const Entry& entry : entries) {
        auto* item = new QListWidgetItem(contentsWidget);
        item->setIcon(QIcon(QLatin1String(entry.icon)));
        item->setText(entry.text);
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    // 70 pixels hold the English names; a translation's longer ones widen the
    // list instead of being cut and scrolled, whatever room the pages want.
    const int needed =
        contentsWidget->sizeHintForColumn(0) + contentsWidget->spacing() + 2 * contentsWidget->frameWidth();
    contentsWidget->setMinimumWidth(qMax(70, needed));
    contentsWidget->setMaximumWidth(qMax(70, needed));
    // One column of cells as wide as the list: the entries centred under each other.
    contentsWidget->setGridSize(QSize(qMax(70, needed) - 2 * contentsWidget->frameWidth(),
                                      contentsWidget->sizeHintForRow(0) + contentsWidget->spacing()));
    aboutItem = contentsWidget->item(3);
    connect(contentsWidget, &QListWidget::currentItemChanged, this, &COptionsDialog::changePage);
}

void COptionsDialog::changePage(QListWidgetItem* current, QListWidgetItem* previous)
{
    QListWidgetItem* item = current ? current : previous;
    if (!item)
        return;
    pagesWidget->setCurrentIndex(contentsWidget->row(item));
}

void COptionsDialog::setHotKeysNotice(const QString& text)
{
    shortcutPage->setSystemNotice(text);
}

void COptionsDialog::showAboutPage()
{
    changePage(aboutItem, nullptr);
}

void COptionsDialog::OnDefault()
{
    generalPage->restoreDefaults();
    snapshotPage->restoreDefaults();
    shortcutPage->restoreDefaults();
}

void COptionsDialog::OnOK()
{
    // A name that would put pictures outside their folder, or that cannot
    // be a file name: the user is told why, and can mend it.
    if (!snapshotPage->inputProblem().isEmpty()) {
        contentsWidget->setCurrentRow(pagesWidget->indexOf(snapshotPage));
        // Again, now that the field at fault is on the screen to take the focus.
        QMessageBox::warning(this, tr("Config Dialog"), snapshotPage->inputProblem(), QMessageBox::Ok);
        return;
    }
    const CAppConfig before = AppConfig;
    generalPage->saveSettings();
    snapshotPage->saveSettings();
    shortcutPage->saveSettings();
    const ConfigSaveResult saved = AppConfig.save();
    if (!saved.ok) {
        // Nothing was stored: the record goes back to what is in effect, and
        // the dialog stays open with everything the user entered.
        AppConfig = before;
        QMessageBox::warning(
            this, tr("Config Dialog"),
            tr("The settings could not be saved to %1:\n%2").arg(saved.fileName, saved.error),
            QMessageBox::Ok);
        return;
    }
    // The owner registers the hot keys anew once the dialog is accepted.
    accept();
}

void COptionsDialog::OnCancel()
{
    reject();
}
