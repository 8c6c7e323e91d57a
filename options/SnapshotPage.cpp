#include "options/SnapshotPage.h"

#include "config/AppConfig.h"
#include "ocr/TextRecognizer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QCheckBox* makeCheckBox(const QString& text, const char* name)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

CSnapshotPage::CSnapshotPage(QWidget* parent) : QWidget(parent)
{
    snapshotAfterDblClkCheckBox =
        makeCheckBox(tr("Start snapshot after double click tray icon"), "snapshotAfterDblClkCheckBox");
    shadowCheckBox = makeCheckBox(tr("Show shadow for draw item"), "shadowCheckBox");
    copyToClipboardCheckBox = makeCheckBox(tr("Copy to clipboard after finish"), "copyToClipboardCheckBox");
    saveToFileCheckBox = makeCheckBox(tr("Save to file after finish"), "saveToFileCheckBox");

    filePathLabel = new QLabel(tr("File path:"));
    filePathEdit = new QLineEdit;
    filePathEdit->setObjectName(QStringLiteral("filePathEdit"));
    filePathLabel->setBuddy(filePathEdit);
    browseButton = new QPushButton(QStringLiteral("..."));
    browseButton->setObjectName(QStringLiteral("browseButton"));
    fileNameLabel = new QLabel(tr("File name:"));
    fileNameEdit = new QLineEdit;
    fileNameEdit->setObjectName(QStringLiteral("fileNameEdit"));
    fileNameLabel->setBuddy(fileNameEdit);
    fileExtComboBox = new QComboBox;
    fileExtComboBox->setObjectName(QStringLiteral("fileExtComboBox"));
    fileExtComboBox->setEditable(false);
    fileExtComboBox->addItems(
        {QStringLiteral(".png"), QStringLiteral(".jpg"), QStringLiteral(".bmp"), QStringLiteral(".xbm")});

    auto* qualityLabel = new QLabel(tr("Image quality:"));
    qualityEdit = new QLineEdit;
    qualityEdit->setObjectName(QStringLiteral("qualityEdit"));
    qualitySlider = new QSlider(Qt::Horizontal);
    qualitySlider->setObjectName(QStringLiteral("qualitySlider"));
    qualityEdit->setEnabled(false);
    qualityEdit->setMaximumWidth(30);
    qualitySlider->setRange(30, 100);

    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(qualityLabel);
    qualityRow->addWidget(qualityEdit);
    qualityRow->addWidget(qualitySlider);
    connect(qualitySlider, &QSlider::valueChanged, this, &CSnapshotPage::onSliderValueChanged);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(filePathLabel);
    pathRow->addWidget(filePathEdit, 1);
    pathRow->addWidget(browseButton);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(fileNameLabel);
    nameRow->addWidget(fileNameEdit, 1);
    nameRow->addWidget(fileExtComboBox);

    textLanguageLabel = new QLabel(tr("Text recognition language:"));
    textLanguageComboBox = new QComboBox;
    textLanguageComboBox->setEditable(false);
    textLanguageComboBox->addItems(CTextRecognizer::installedLanguages());
    textLanguageLabel->setBuddy(textLanguageComboBox);
    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(textLanguageLabel);
    languageRow->addWidget(textLanguageComboBox, 1);

    auto* layout = new QVBoxLayout;
    layout->addWidget(snapshotAfterDblClkCheckBox);
    layout->addStretch(1);
    layout->addWidget(shadowCheckBox);
    layout->addStretch(1);
    layout->addWidget(copyToClipboardCheckBox);
    layout->addStretch(1);
    layout->addWidget(saveToFileCheckBox);
    layout->addStretch(1);
    layout->addLayout(qualityRow);
    layout->addStretch(1);
    layout->addLayout(pathRow);
    layout->addStretch(1);
    layout->addLayout(nameRow);
    layout->addStretch(1);
    layout->addLayout(languageRow);
    setLayout(layout);

    // clicked(), not released(): dragging off the button aborts the click.
    connect(browseButton, &QPushButton::clicked, this, &CSnapshotPage::OnBrowser);

    connect(fileNameEdit, &QLineEdit::textChanged, this, &CSnapshotPage::showNameExample);
    connect(fileExtComboBox, &QComboBox::currentIndexChanged, this, &CSnapshotPage::showNameExample);
    loadSettings();
    showNameExample();
}

namespace {
CSnapshotPage::NameMaker g_nameMaker = nullptr;
}

void CSnapshotPage::setNameMaker(NameMaker maker)
{
    g_nameMaker = maker;
}

void CSnapshotPage::showNameExample()
{
    QString tip = tr("%Y year, %M month, %D day, %h hour, %m minute, %s second");
    if (g_nameMaker)
        tip += QLatin1Char('\n') +
               tr("Now: %1").arg(g_nameMaker(fileNameEdit->text()) + fileExtComboBox->currentText());
    fileNameEdit->setToolTip(tip);
}

void CSnapshotPage::loadRecordedControls()
{
    snapshotAfterDblClkCheckBox->setChecked(AppConfig.SnapshotAfterDlbClk);
    shadowCheckBox->setChecked(AppConfig.SnapshotShadow);
    copyToClipboardCheckBox->setChecked(AppConfig.CopyToClipboardAfterFinish);
    saveToFileCheckBox->setChecked(AppConfig.SaveToFileAfterFinish);
    filePathEdit->setText(AppConfig.SnapshotFilePath);
    fileNameEdit->setText(AppConfig.SnapshotFileName);
}

void CSnapshotPage::selectExtension(const QString& ext)
{
    // Exact, case-sensitive match; no match leaves no entry current.
    fileExtComboBox->setCurrentIndex(fileExtComboBox->findText(ext, Qt::MatchCaseSensitive));
}

void CSnapshotPage::loadSettings()
{
    loadRecordedControls();
    selectExtension(AppConfig.SnapshotFileNameExt);
    qualitySlider->setValue(AppConfig.ImageQuality);
    // A stored language whose model is not (or no longer) installed stays
    // in the list, so that confirming the page keeps it.
    if (textLanguageComboBox->findText(AppConfig.SnapshotTextLanguage) < 0)
        textLanguageComboBox->addItem(AppConfig.SnapshotTextLanguage);
    textLanguageComboBox->setCurrentIndex(textLanguageComboBox->findText(AppConfig.SnapshotTextLanguage));
    // setValue emits nothing when the value does not change (the first 30).
    onSliderValueChanged(qualitySlider->value());
}

void CSnapshotPage::saveSettings()
{
    AppConfig.SnapshotAfterDlbClk = snapshotAfterDblClkCheckBox->isChecked();
    AppConfig.SnapshotShadow = shadowCheckBox->isChecked();
    AppConfig.CopyToClipboardAfterFinish = copyToClipboardCheckBox->isChecked();
    AppConfig.SaveToFileAfterFinish = saveToFileCheckBox->isChecked();
    AppConfig.SnapshotFilePath = filePathEdit->text();
    AppConfig.SnapshotFileName = fileNameEdit->text();
    // A stored extension the list does not hold (".JPG", ".jpeg") selects no
    // entry; it is kept instead of being replaced by an empty one, which would
    // leave saved pictures without any format.
    if (fileExtComboBox->currentIndex() >= 0)
        AppConfig.SnapshotFileNameExt = fileExtComboBox->currentText();
    AppConfig.ImageQuality = qualityEdit->text().toInt();
    if (textLanguageComboBox->currentIndex() >= 0)
        AppConfig.SnapshotTextLanguage = textLanguageComboBox->currentText();
}

QString CSnapshotPage::inputProblem()
{
    // The extension that will be stored with the name.
    const QString ext =
        fileExtComboBox->currentIndex() >= 0 ? fileExtComboBox->currentText() : AppConfig.SnapshotFileNameExt;
    const struct
    {
        QLineEdit* field;
        QString problem;
    } checks[] = {
        {filePathEdit, CAppConfig::folderProblem(filePathEdit->text())},
        {fileNameEdit, CAppConfig::namePatternProblem(fileNameEdit->text(), ext)},
    };
    for (const auto& check : checks) {
        if (check.problem.isEmpty())
            continue;
        check.field->setFocus();
        check.field->selectAll();
        return check.problem;
    }
    return QString();
}

void CSnapshotPage::restoreDefaults()
{
    loadRecordedControls();
    selectExtension(QStringLiteral(".png"));
    qualitySlider->setValue(CAppConfig::kDefaultQuality);
}

void CSnapshotPage::OnBrowser()
{
    const QString dir = chooseDirectory(filePathEdit->text());
    if (!dir.isEmpty())
        filePathEdit->setText(dir);
}

void CSnapshotPage::onSliderValueChanged(int value)
{
    qualityEdit->setText(QString::number(value));
}

QString CSnapshotPage::chooseDirectory(const QString& start)
{
    return QFileDialog::getExistingDirectory(this, tr("Select a directory"), start,
                                             QFileDialog::ShowDirsOnly);
}
