#include "annotate/SnapshotEdit.h"

#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"
#include "annotate/ToolRegistry.h"
#include "annotate/ToolState.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace {

QIcon iconFrom(const QString& path)
{
    QIcon icon;
    icon.addFile(path, QSize(), QIcon::Normal, QIcon::On);
    return icon;
}

// Whether choosing the tool shows the property strip.
bool showsProperties(const ToolRow& row)
{
    return !row.controls.isEmpty() && !row.keepsStrip;
}

// The Pin and Copy text pictures, drawn: a pin's head and needle, a "T".
QIcon drawnIcon(bool pin)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (pin) {
        painter.setPen(QPen(QColor(60, 60, 60), 2));
        painter.drawLine(QPointF(12, 12), QPointF(12, 22));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(214, 48, 49));
        painter.drawEllipse(QRectF(6, 2, 12, 12));
    } else {
        QFont font = painter.font();
        font.setPixelSize(18);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(40, 90, 200));
        painter.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("T"));
        painter.setPen(QPen(QColor(40, 90, 200), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(1.5, 1.5, 21, 21));
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace

CSnapshotEdit::CSnapshotEdit(QWidget* parent, Qt::WindowFlags flags, CToolState* state)
    : QDialog(parent, flags), m_state(state ? state : new CToolState(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);

    auto addButton = [this, layout](const QString& tip, const QString& icon) {
        auto* button = new QPushButton(this);
        button->setToolTip(tip);
        // Screen readers read the name (the tip's first words) and the whole tip.
        button->setAccessibleName(tip.section(QLatin1Char('\n'), 0, 0).section(QStringLiteral(" ("), 0, 0));
        button->setAccessibleDescription(tip);
        button->setAutoDefault(false);
        button->setIcon(iconFrom(icon));
        layout->addWidget(button, 0);
        return button;
    };
    for (const ToolRow* row : stripTools()) {
        QPushButton* button = addButton(toolTip(*row), iconPath(row->mode, false));
        m_toolButtons.insert(int(row->mode), button);
        const DrawMode mode = row->mode;
        connect(button, &QPushButton::clicked, this, [this, mode] { setDrawMode(mode); });
    }
    m_pinButton = addButton(tr("Pin (Ctrl+P)"), QString());
    m_pinButton->setIcon(drawnIcon(true));
    m_copyTextButton = addButton(tr("Copy text (Ctrl+Shift+C)"), QString());
    m_copyTextButton->setIcon(drawnIcon(false));
    connect(m_pinButton, &QPushButton::clicked, this, &CSnapshotEdit::pinRequested);
    connect(m_copyTextButton, &QPushButton::clicked, this, &CSnapshotEdit::copyTextRequested);
    saveButton = addButton(tr("Save picture (Ctrl+S)"), QStringLiteral(":/Resources/ico_save.png"));
    cancelButton = addButton(tr("Cancel (Esc)"), QStringLiteral(":/Resources/ico_cancel.png"));
    okButton = addButton(tr("Ok (Enter; Ctrl+C: clipboard only; Ctrl+Z: undo)"),
                         QStringLiteral(":/Resources/ico_ok.png"));
    connect(saveButton, &QPushButton::clicked, this, &CSnapshotEdit::OnBtnSave);
    connect(cancelButton, &QPushButton::clicked, this, &CSnapshotEdit::OnBtnCancel);
    connect(okButton, &QPushButton::clicked, this, &CSnapshotEdit::OnBtnOk);

    m_propDialog = new CSnapshotProp(this, {}, m_state);
    m_propDialog->setWindowFlags(floatingWindowFlags());
    connect(m_propDialog, &CSnapshotProp::escapePressed, this, &CSnapshotEdit::escapeRequested);
    // The state's tool as it is now (None in a new snapshot), without
    // choosing it again.
    showDrawMode(m_state->mode());
    connect(m_state, &CToolState::modeChanged, this, &CSnapshotEdit::showDrawMode);
    resize(40 * (m_toolButtons.size() + 5), 40);
}

void CSnapshotEdit::embedIn(QWidget* host)
{
    for (QWidget* strip : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_propDialog)}) {
        strip->setParent(host, Qt::Widget);
        // Opaque over the desktop picture, and the host's: showing a strip
        // takes no focus, and a press, a wheel turn or a right click on
        // its margin never reaches the scene below.
        strip->setAutoFillBackground(true);
        strip->setAttribute(Qt::WA_ShowWithoutActivating);
        strip->setAttribute(Qt::WA_NoMousePropagation);
        strip->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

QString CSnapshotEdit::iconPath(DrawMode mode, bool selected)
{
    const ToolRow& row = toolRow(mode);
    if (!row.iconStem)
        return QString();
    return QStringLiteral(":/Resources/%1%2.png")
        .arg(QLatin1String(row.iconStem), selected ? QString() : QStringLiteral("_no"));
}

QString CSnapshotEdit::toolTip(const ToolRow& row)
{
    const QString tip = tr(row.tip);
    return row.key ? tr("%1\nKey: %2").arg(tip, QChar::fromLatin1(row.key)) : tip;
}

DrawMode CSnapshotEdit::drawMode() const
{
    return m_state->mode();
}

QPushButton* CSnapshotEdit::buttonFor(DrawMode mode) const
{
    return m_toolButtons.value(int(toolRow(mode).shownOn));
}

void CSnapshotEdit::showModeIcon(DrawMode mode, bool selected)
{
    if (QPushButton* button = buttonFor(mode))
        button->setIcon(iconFrom(iconPath(toolRow(mode).shownOn, selected)));
}

void CSnapshotEdit::setDrawMode(DrawMode newMode)
{
    m_state->setMode(newMode);
}

void CSnapshotEdit::showDrawMode(DrawMode newMode)
{
    const ToolRow& row = toolRow(newMode);
    const bool changes = newMode != m_shownMode;
    if (changes && isToolMode(m_shownMode))
        showModeIcon(m_shownMode, false);
    if (changes && !row.keepsStrip)
        showModeIcon(newMode, true);
    if (showsProperties(row)) {
        m_propDialog->show();
        m_propDialog->raise();
    } else if (!row.keepsStrip) {
        m_propDialog->hide();
    }
    m_shownMode = newMode;
    placePropDialog(newMode);
}

void CSnapshotEdit::placePropDialog(DrawMode controls)
{
    // The property strip hangs under this strip, right edges one pixel apart.
    const QRect frame = frameGeometry();
    const QSize size = m_propDialog->size();
    m_propDialog->setGeometry(frame.right() - size.width(), frame.bottom() + 5, size.width(), size.height());
    m_propDialog->setDrawMode(controls);
    // Its width follows the tool; wider than this strip (text), it would
    // hang off the monitor's left edge beside a pick near that edge.
    if (m_placementArea.isValid()) {
        const QRect prop = m_propDialog->geometry();
        const QRect kept = keptInside(prop, m_placementArea);
        if (kept != prop)
            m_propDialog->setGeometry(kept);
    }
}

void CSnapshotEdit::showPropertiesFor(DrawMode kind)
{
    if (!toolRow(m_state->mode()).choosesMarks)
        return;
    if (!showsProperties(toolRow(kind))) {
        m_propDialog->hide();
        return;
    }
    placePropDialog(kind);
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
    // Escape asks to cancel. The other keys (Enter, a tool's letter, Ctrl+Z)
    // are the snapshot's: Enter clicks no default button here.
    if (event->key() == Qt::Key_Escape) {
        emit escapeRequested();
        event->accept();
    } else {
        event->ignore();
    }
}

void CSnapshotEdit::setTextRecognition(bool available, const QString& why)
{
    m_copyTextButton->setEnabled(available);
    m_copyTextButton->setToolTip(available ? tr("Copy text (Ctrl+Shift+C)") : why);
    m_propDialog->setTextRecognition(available, why);
}
