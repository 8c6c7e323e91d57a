#pragma once

#include "annotate/DrawMode.h"

#include <QDialog>
#include <QHash>

class CSnapshotProp;
class CToolState;
class QPushButton;
struct ToolRow;

// The floating strip of tool buttons beside the picked area: the tools of
// the tool registry, then Save picture, Cancel, OK. It shows the current
// tool of the tool state by the buttons' icons and keeps the property strip
// under itself; what the action buttons ask for (finish, save, cancel) it
// tells through its signals.
class CSnapshotEdit : public QDialog
{
    Q_OBJECT
public:
    // Without a state of its own to share, it makes one.
    explicit CSnapshotEdit(QWidget* parent, Qt::WindowFlags flags = {}, CToolState* state = nullptr);

    // Chooses a tool (the same one again too).
    void setDrawMode(DrawMode newMode);
    DrawMode drawMode() const;
    CToolState* toolState() const { return m_state; }
    CSnapshotProp* propDialog() const { return m_propDialog; }
    // The button that shows this mode (None shares Select's); null for Curve.
    QPushButton* buttonFor(DrawMode mode) const;

    // Makes both strips child widgets of `host` (the capture view), drawn
    // over it and placed in its coordinates, instead of windows of their own.
    void embedIn(QWidget* host);

    // The monitor the strips must stay on (in the coordinates the strips are
    // placed in: global, or the host's); none: anywhere.
    void setPlacementArea(const QRect& area) { m_placementArea = area; }

    // In Select: shows the property strip with the controls of a chosen
    // mark's kind, or hides it when none is chosen.
    void showPropertiesFor(DrawMode kind);

    // Closes the property strip and this strip.
    void closeSnapshot();

    // Pin and Copy text, between the tools and Save picture.
    QPushButton* pinButton() const { return m_pinButton; }
    QPushButton* copyTextButton() const { return m_copyTextButton; }
    // Without a recognizer the Copy text button is off; `why` says what to
    // install.
    void setTextRecognition(bool available, const QString& why);

    // The resource icons of a tool's button, unselected and selected.
    static QString iconPath(DrawMode mode, bool selected);
    // A tool's tip with the key that chooses it.
    static QString toolTip(const ToolRow& row);

public slots:
    void OnBtnOk();
    void OnBtnCancel();
    void OnBtnSelect();
    void OnBtnLine();
    void OnBtnLineArrow();
    void OnBtnRectangle();
    void OnBtnPolygon();
    void OnBtnEllipse();
    void OnBtnDraw();
    void OnBtnCurve();
    void OnBtnText();
    void OnBtnErase();
    void OnBtnSave();

signals:
    void finishRequested();
    void saveRequested();
    void cancelRequested();
    // Escape in either strip: Cancel, once the snapshot agrees.
    void escapeRequested();
    void pinRequested();
    void copyTextRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The state's tool was chosen: icons, the property strip.
    void showDrawMode(DrawMode newMode);
    void showModeIcon(DrawMode mode, bool selected);
    // Hangs the property strip under this strip, showing a tool's controls.
    void placePropDialog(DrawMode controls);

    CToolState* m_state = nullptr;
    QHash<int, QPushButton*> m_toolButtons; // by DrawMode
    QPushButton* m_pinButton = nullptr;
    QPushButton* m_copyTextButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* okButton = nullptr;
    CSnapshotProp* m_propDialog = nullptr;
    QRect m_placementArea;
    // The tool the icons show; none until the constructor shows the first.
    DrawMode m_shownMode = static_cast<DrawMode>(-1);
};
