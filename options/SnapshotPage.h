#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

// Page "Snapshot" of the options dialog: the finish actions, the shadow, and
// the directory, name pattern, extension and quality of saved pictures.
class CSnapshotPage : public QWidget
{
    Q_OBJECT
public:
    explicit CSnapshotPage(QWidget* parent = nullptr);

    void loadSettings();
    void saveSettings();
    // Check boxes, path and name go back to the record; extension and quality
    // to ".png" and 80.
    void restoreDefaults();
    // Why the path or the name pattern as typed cannot be stored, or an
    // empty text; the field at fault then gets the focus.
    QString inputProblem();
    // What turns a name pattern into the name of a file saved now; the
    // pattern field's tool tip shows its result. Set by the program.
    using NameMaker = QString (*)(const QString& pattern);
    static void setNameMaker(NameMaker maker);

protected slots:
    void OnBrowser();
    void onSliderValueChanged(int value);

protected:
    // The directory chooser; empty when the user cancels.
    virtual QString chooseDirectory(const QString& start);

private:
    void loadRecordedControls();
    void selectExtension(const QString& ext);
    // The pattern's fields and the name it makes now, as the field's tool tip.
    void showNameExample();

    QCheckBox* snapshotAfterDblClkCheckBox;
    QCheckBox* shadowCheckBox;
    QCheckBox* copyToClipboardCheckBox;
    QCheckBox* saveToFileCheckBox;
    QLineEdit* qualityEdit;
    QSlider* qualitySlider;
    QLabel* filePathLabel;
    QLineEdit* filePathEdit;
    QPushButton* browseButton;
    QLabel* fileNameLabel;
    QLineEdit* fileNameEdit;
    QComboBox* fileExtComboBox;
    // The text recognition's language: the installed models.
    QLabel* textLanguageLabel;
    QComboBox* textLanguageComboBox;

public:
    QComboBox* textLanguageBox() const { return textLanguageComboBox; }
};
