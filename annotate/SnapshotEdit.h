#pragma once

#include "annotate/DrawMode.h"

#include <QDialog>

class CSnapshotProp;
class QPushButton;

// The floating strip of tool buttons beside the picked area: nine tools and
// Save picture, Cancel, OK. It holds the current tool, shows it by the
// buttons' icons and keeps the property strip under itself; what the buttons
// ask for (a new tool, finish, save, cancel) it tells through its signals.
class CSnapshotEdit : public QDialog
{
    Q_OBJECT
public:
    explicit CSnapshotEdit(QWidget* parent, Qt::WindowFlags flags = {});

    void setDrawMode(DrawMode newMode);
    DrawMode drawMode() const { return m_drawMode; }
    CSnapshotProp* propDialog() const { return m_propDialog; }
    // The button that shows this mode (None shares Select's); null for Curve.
    QPushButton* buttonFor(DrawMode mode) const;

    // The monitor the strips must stay on (global coordinates); none: anywhere.
    void setPlacementArea(const QRect& area) { m_placementArea = area; }

    // In Select: shows the property strip with the controls of a chosen
    // mark's kind, or hides it when none is chosen.
    void showPropertiesFor(DrawMode kind);

    // Closes the property strip and this strip.
    void closeSnapshot();

    // The resource icons of a tool's button, unselected and selected.
    static QString iconPath(DrawMode mode, bool selected);

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
    void drawModeChanged(DrawMode mode);
    void finishRequested();
    void saveRequested();
    void cancelRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showModeIcon(DrawMode mode, bool selected);

    QPushButton* selectButton = nullptr;
    QPushButton* lineButton = nullptr;
    QPushButton* lineArrowButton = nullptr;
    QPushButton* rectangleButton = nullptr;
    QPushButton* polygonButton = nullptr;
    QPushButton* ellipseButton = nullptr;
    QPushButton* drawButton = nullptr;
    QPushButton* textButton = nullptr;
    QPushButton* eraseButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* okButton = nullptr;
    CSnapshotProp* m_propDialog = nullptr;
    QRect m_placementArea;
    // No tool until the constructor's first setDrawMode.
    DrawMode m_drawMode = static_cast<DrawMode>(-1);
};
