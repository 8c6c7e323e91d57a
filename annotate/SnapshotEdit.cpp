#include "annotate/SnapshotEdit.h"

#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>

namespace {

// The file stem of each tool's icons, indexed by DrawMode; none for Curve.
const char* const kIconStems[] = {
    "ico_btn_select", "ico_btn_select",  "ico_btn_line",    "ico_btn_line_arrow",
    "ico_btn_rect",   "ico_btn_ellipse", "ico_btn_polygon", nullptr,
    "ico_btn_draw",   "ico_btn_text",    "ico_btn_erase",
};

QIcon iconFrom(const QString& path)
{
    QIcon icon;
    icon.addFile(path, QSize(), QIcon::Normal, QIcon::On);
    return icon;
}

bool showsProperties(DrawMode mode)
{
    switch (mode) {
    case DrawMode::Line:
    case DrawMode::LineArrow:
    case DrawMode::Rectangle:
    case DrawMode::Ellipse:
    case DrawMode::Polygon:
    case DrawMode::Draw:
    case DrawMode::Text:
        return true;
    default:
        return false;
    }
}

} // namespace

CSnapshotEdit::CSnapshotEdit(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);

    struct Button
    {
        QPushButton*& field;
        QString tip;
        void (CSnapshotEdit::*slot)();
        QString icon;
    };
    const Button buttons[] = {
        {selectButton, tr("Select (Delete: remove the chosen mark)"), &CSnapshotEdit::OnBtnSelect, iconPath(DrawMode::Select, false)},
        {lineButton, tr("Line"), &CSnapshotEdit::OnBtnLine, iconPath(DrawMode::Line, false)},
        {lineArrowButton, tr("Line with arrow"), &CSnapshotEdit::OnBtnLineArrow,
         iconPath(DrawMode::LineArrow, false)},
        {rectangleButton, tr("Rectangle"), &CSnapshotEdit::OnBtnRectangle,
         iconPath(DrawMode::Rectangle, false)},
        {polygonButton, tr("Polygon"), &CSnapshotEdit::OnBtnPolygon, iconPath(DrawMode::Polygon, false)},
        {ellipseButton, tr("Ellipse"), &CSnapshotEdit::OnBtnEllipse, iconPath(DrawMode::Ellipse, false)},
        {drawButton, tr("Draw"), &CSnapshotEdit::OnBtnDraw, iconPath(DrawMode::Draw, false)},
        {textButton, tr("Text"), &CSnapshotEdit::OnBtnText, iconPath(DrawMode::Text, false)},
        {eraseButton, tr("Erase"), &CSnapshotEdit::OnBtnErase, iconPath(DrawMode::Erase, false)},
        {saveButton, tr("Save picture (Ctrl+S)"), &CSnapshotEdit::OnBtnSave,
         QStringLiteral(":/Resources/ico_save.png")},
        {cancelButton, tr("Cancel (Esc)"), &CSnapshotEdit::OnBtnCancel,
         QStringLiteral(":/Resources/ico_cancel.png")},
        {okButton, tr("Ok (Enter; Ctrl+C: clipboard only; Ctrl+Z: undo)"), &CSnapshotEdit::OnBtnOk, QStringLiteral(":/Resources/ico_ok.png")},
    };
    for (const Button& b : buttons) {
        b.field = new QPushButton(this);
        b.field->setToolTip(b.tip);
        b.field->setAutoDefault(false);
        b.field->setIcon(iconFrom(b.icon));
        layout->addWidget(b.field, 0);
        connect(b.field, &QPushButton::clicked, this, b.slot);
    }

    m_propDialog = new CSnapshotProp(this);
    m_propDialog->setWindowFlags(floatingWindowFlags());
    setDrawMode(DrawMode::None);
    resize(480, 40);
}

QString CSnapshotEdit::iconPath(DrawMode mode, bool selected)
{
    const int index = static_cast<int>(mode);
    if (!isToolMode(mode) || !kIconStems[index])
        return QString();
    return QStringLiteral(":/Resources/%1%2.png")
        .arg(QLatin1String(kIconStems[index]), selected ? QString() : QStringLiteral("_no"));
}

QPushButton* CSnapshotEdit::buttonFor(DrawMode mode) const
{
    switch (mode) {
    case DrawMode::None:
    case DrawMode::Select:
        return selectButton;
    case DrawMode::Line:
        return lineButton;
    case DrawMode::LineArrow:
        return lineArrowButton;
    case DrawMode::Rectangle:
        return rectangleButton;
    case DrawMode::Ellipse:
        return ellipseButton;
    case DrawMode::Polygon:
        return polygonButton;
    case DrawMode::Draw:
        return drawButton;
    case DrawMode::Text:
        return textButton;
    case DrawMode::Erase:
        return eraseButton;
    default:
        return nullptr;
    }
}

void CSnapshotEdit::showModeIcon(DrawMode mode, bool selected)
{
    if (QPushButton* button = buttonFor(mode))
        button->setIcon(iconFrom(iconPath(mode, selected)));
}

void CSnapshotEdit::setDrawMode(DrawMode newMode)
{
    const bool changes = newMode != m_drawMode;
    if (changes && isToolMode(m_drawMode))
        showModeIcon(m_drawMode, false);
    if (changes && newMode != DrawMode::Curve)
        showModeIcon(newMode, true);
    if (showsProperties(newMode)) {
        m_propDialog->show();
        m_propDialog->raise();
    } else if (newMode != DrawMode::Curve) {
        m_propDialog->hide();
    }
    m_drawMode = newMode;

    // The property strip hangs under this strip, right edges one pixel apart.
    const QRect frame = frameGeometry();
    const QSize size = m_propDialog->size();
    m_propDialog->setGeometry(frame.right() - size.width(), frame.bottom() + 5, size.width(), size.height());
    m_propDialog->setDrawMode(newMode);
    // Its width follows the tool; wider than this strip (text), it would
    // hang off the monitor's left edge beside a pick near that edge.
    if (m_placementArea.isValid()) {
        const QRect prop = m_propDialog->geometry();
        const QRect kept = keptInside(prop, m_placementArea);
        if (kept != prop)
            m_propDialog->setGeometry(kept);
    }

    emit drawModeChanged(newMode);
}

void CSnapshotEdit::showPropertiesFor(DrawMode kind)
{
    if (m_drawMode != DrawMode::Select)
        return;
    if (!showsProperties(kind)) {
        m_propDialog->hide();
        return;
    }
    const QRect frame = frameGeometry();
    const QSize size = m_propDialog->size();
    m_propDialog->setGeometry(frame.right() - size.width(), frame.bottom() + 5, size.width(), size.height());
    m_propDialog->setDrawMode(kind);
    if (m_placementArea.isValid())
        m_propDialog->setGeometry(keptInside(m_propDialog->geometry(), m_placementArea));
    m_propDialog->show();
    m_propDialog->raise();
}

void CSnapshotEdit::closeSnapshot()
{
    m_propDialog->close();
    close();
}

void CSnapshotEdit::OnBtnOk()
{
    emit finishRequested();
}

void CSnapshotEdit::OnBtnCancel()
{
    emit cancelRequested();
}

void CSnapshotEdit::OnBtnSave()
{
    emit saveRequested();
}

void CSnapshotEdit::OnBtnSelect()
{
    setDrawMode(DrawMode::Select);
}
void CSnapshotEdit::OnBtnLine()
{
    setDrawMode(DrawMode::Line);
}
void CSnapshotEdit::OnBtnLineArrow()
{
    setDrawMode(DrawMode::LineArrow);
}
void CSnapshotEdit::OnBtnRectangle()
{
    setDrawMode(DrawMode::Rectangle);
}
void CSnapshotEdit::OnBtnPolygon()
{
    setDrawMode(DrawMode::Polygon);
}
void CSnapshotEdit::OnBtnEllipse()
{
    setDrawMode(DrawMode::Ellipse);
}
void CSnapshotEdit::OnBtnDraw()
{
    setDrawMode(DrawMode::Draw);
}
void CSnapshotEdit::OnBtnCurve()
{
    setDrawMode(DrawMode::Curve);
}
void CSnapshotEdit::OnBtnText()
{
    setDrawMode(DrawMode::Text);
}
void CSnapshotEdit::OnBtnErase()
{
    setDrawMode(DrawMode::Erase);
}

void CSnapshotEdit::closeEvent(QCloseEvent* event)
{
    m_propDialog->close();
    event->accept(); // without QDialog's reject
}

void CSnapshotEdit::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    m_propDialog->close();
}

void CSnapshotEdit::focusInEvent(QFocusEvent* event)
{
    QDialog::focusInEvent(event);
    m_propDialog->raise();
}

void CSnapshotEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        emit cancelRequested();
        event->ignore();
    }
    // Other keys: no default button, no reject.
}
