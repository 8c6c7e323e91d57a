#pragma once

#include "annotate/DrawMode.h"
#include "annotate/DrawProperties.h"
#include "annotate/ToolRegistry.h"

#include <QColor>
#include <QDialog>
#include <QRect>
#include <QVector>

class CToolState;
class ColorComboBox;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QSlider;

// A text field (a line edit, an editable list, a spin box, a text editor)
// keeps Enter for itself: typing there never finishes the snapshot.
bool keepsEnter(const QWidget* control);

// The one-row strip under the tool dialog where the user picks how new marks
// look. It shows only the controls of the current tool (as its row in the
// tool registry lists them), keeping its right edge. Its controls show the
// look held by the tool state and change it. The values go into AppConfig
// when the strip closes, the transparency at every change.
class CSnapshotProp : public QDialog
{
    Q_OBJECT
public:
    // Without a state of its own to share, it makes one.
    CSnapshotProp(QWidget* parent, Qt::WindowFlags f = {}, CToolState* state = nullptr);
    CToolState* toolState() const { return m_state; }

    void setDrawMode(DrawMode newMode);

    int transparentValue() const;
    QColor frameColor() const;
    QColor fillColor() const;
    QColor fontColor() const;
    bool isFrameChecked() const;
    bool isFillChecked() const;
    int frameWidth() const;
    int fontSize() const;
    QString fontFamily() const;
    // All of the above at once.
    DrawProperties properties() const;

    // Whether the text can be read here (the Hide tool's two buttons need
    // it); else why not, said by the buttons' tool tips.
    void setTextRecognition(bool available, const QString& why);
    QPushButton* hidePersonalButton() const { return hidePersonalDataButton; }
    QPushButton* hideTextButton() const { return hideAllTextButton; }

public slots:
    void OnTransparentValueChanged(int value);
    void OnCheckStateChangedFrame(int state);
    void OnCheckStateChangedFilled(int state);

signals:
    // Escape in the strip: the snapshot is cancelled, as in the tool strip.
    void escapePressed();
    // A click on "Hide personal data" (false) or "Hide all text" (true).
    void hideTextRequested(bool allText);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupForm();
    void loadSettings();
    bool isShapeMode() const;
    void enableColorBoxes();
    // The block size matters to the blocks look only.
    void enableHideBlock();
    QWidget* control(PropControl which) const;
    // The controls show a look set elsewhere.
    void showLook(const DrawProperties& look);
    // The look the controls show becomes the state's.
    void tellLook();
    // The tool tips of the two text buttons: what they do, or what is missing.
    void showTextRecognition();

    CToolState* m_state = nullptr;
    bool m_showingLook = false;

    DrawMode drawMode = DrawMode::None;
    // Laid-out geometries of the dialog and its tool-dependent controls,
    // in the order of the controls from left to right.
    QVector<QRect> designedRects;

    QHBoxLayout* horizontalLayout = nullptr;
    QFontComboBox* fontComboBox = nullptr;
    ColorComboBox* fontColorComboBox = nullptr;
    QComboBox* fontSizeComboBox = nullptr;
    QCheckBox* frameCheckBox = nullptr;
    ColorComboBox* frameColorComboBox = nullptr;
    QComboBox* frameWidthComboBox = nullptr;
    QCheckBox* fillCheckBox = nullptr;
    ColorComboBox* fillColorComboBox = nullptr;
    QComboBox* hideLookComboBox = nullptr;
    QComboBox* hideBlockComboBox = nullptr;
    QPushButton* hidePersonalDataButton = nullptr;
    QPushButton* hideAllTextButton = nullptr;
    QString m_textMissing; // empty: the text can be read
    ColorComboBox* highlightColorComboBox = nullptr;
    QComboBox* highlightWidthComboBox = nullptr;
    QLineEdit* transparentEdit = nullptr;
    QSlider* transparentSlider = nullptr;
};
