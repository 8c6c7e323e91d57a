#include "annotate/SnapshotProp.h"

#include "annotate/ColorComboBox.h"
#include "annotate/ToolState.h"
#include "config/AppConfig.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace {

constexpr int kMinTransparent = 5;
constexpr int kMaxTransparent = 100;
const int kFontSizes[] = {5, 8, 10, 12, 14, 16, 24, 32, 45};
const int kFrameWidths[] = {1, 2, 3, 4, 5};
// Desktop pixels.
const int kHideBlocks[] = {4, 6, 8, 12, 16, 24, 32};
const int kHighlightWidths[] = {8, 12, 16, 24, 32};

// Indices into designedRects.
enum DesignedRect
{
    DialogRect,
    FontRect,
    FontColorRect,
    FontSizeRect,
    FrameCheckRect,
    FrameColorRect,
    FrameWidthRect,
    FillCheckRect,
    FillColorRect,
    HideLookRect,
    HideBlockRect,
    HidePersonalRect,
    HideAllTextRect,
    HighlightColorRect,
    HighlightWidthRect,
};

// The entry of a value; the first one (or the fallback's) when it has none.
void selectByText(QComboBox* box, int value, int fallback = -1)
{
    int index = box->findText(QString::number(value));
    if (index < 0)
        index = box->findText(QString::number(fallback));
    box->setCurrentIndex(qMax(0, index));
}

// Matched without the alpha, which a mark takes from the transparency: a
// first run's colour 0 shows as the black it draws.
void selectColor(ColorComboBox* box, const QColor& color, const QColor& fallback = QColor())
{
    const auto flags = Qt::MatchExactly | Qt::MatchCaseSensitive;
    int index = box->findData(QColor(color.rgb()), Qt::UserRole, flags);
    if (index < 0 && fallback.isValid())
        index = box->findData(QColor(fallback.rgb()), Qt::UserRole, flags);
    box->setCurrentIndex(qMax(0, index));
}

// A new tool's setting that is not in its list falls back to the default.
const DrawProperties kDefaults;

} // namespace

CSnapshotProp::CSnapshotProp(QWidget* parent, Qt::WindowFlags f, CToolState* state)
    : QDialog(parent, f), m_state(state ? state : new CToolState(this))
{
    setupForm();

    // Read the stored value first: giving the slider its range already moves
    // it (and, through the slot, AppConfig) off its initial value.
    const int stored = AppConfig.Transparent;
    connect(transparentSlider, &QSlider::valueChanged, this, &CSnapshotProp::OnTransparentValueChanged);
    transparentSlider->setRange(kMinTransparent, kMaxTransparent);
    transparentSlider->setValue(qBound(kMinTransparent, stored, kMaxTransparent));
    OnTransparentValueChanged(transparentSlider->value());
    // A typed value moves the slider once it is in range; what is left out
    // of range when the typing ends goes back to the slider's value.
    connect(transparentEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok && value >= kMinTransparent && value <= kMaxTransparent)
            transparentSlider->setValue(value);
    });
    connect(transparentEdit, &QLineEdit::editingFinished, this,
            [this] { OnTransparentValueChanged(transparentSlider->value()); });

    for (int size : kFontSizes)
        fontSizeComboBox->addItem(QString::number(size), size);
    for (int width : kFrameWidths)
        frameWidthComboBox->addItem(QString::number(width), width);
    hideLookComboBox->addItem(tr("Blocks"), false);
    hideLookComboBox->addItem(tr("Smooth"), true);
    for (int size : kHideBlocks)
        hideBlockComboBox->addItem(QString::number(size), size);
    for (int width : kHighlightWidths)
        highlightWidthComboBox->addItem(QString::number(width), width);

    loadSettings();
    tellLook();
    connect(m_state, &CToolState::lookChanged, this,
            [this](const DrawProperties&, const DrawProperties& look) { showLook(look); });
}

QWidget* CSnapshotProp::control(PropControl which) const
{
    QWidget* const controls[] = {fontComboBox,           fontColorComboBox,      fontSizeComboBox,
                                 frameCheckBox,          frameColorComboBox,     frameWidthComboBox,
                                 fillCheckBox,           fillColorComboBox,      hideLookComboBox,
                                 hideBlockComboBox,      hidePersonalDataButton, hideAllTextButton,
                                 highlightColorComboBox, highlightWidthComboBox};
    return controls[int(which)];
}

void CSnapshotProp::tellLook()
{
    if (!m_showingLook)
        m_state->setLook(properties());
}

void CSnapshotProp::showLook(const DrawProperties& look)
{
    if (m_showingLook || look == properties())
        return;
    m_showingLook = true;
    if (fontFamily() != look.fontFamily)
        fontComboBox->setCurrentFont(QFont(look.fontFamily));
    selectColor(fontColorComboBox, look.fontColor);
    selectByText(fontSizeComboBox, look.fontSize);
    frameCheckBox->setChecked(look.frame);
    selectColor(frameColorComboBox, look.frameColor);
    selectByText(frameWidthComboBox, look.frameWidth);
    fillCheckBox->setChecked(look.fill);
    selectColor(fillColorComboBox, look.fillColor);
    hideLookComboBox->setCurrentIndex(look.hideSmooth ? 1 : 0);
    selectByText(hideBlockComboBox, look.hideBlock, kDefaults.hideBlock);
    selectColor(highlightColorComboBox, look.highlightColor, kDefaults.highlightColor);
    selectByText(highlightWidthComboBox, look.highlightWidth, kDefaults.highlightWidth);
    transparentSlider->setValue(look.transparency);
    m_showingLook = false;
    // What the controls could show of it (and the coupling of frame and
    // fill made of it).
    tellLook();
}

void CSnapshotProp::setupForm()
{
    setObjectName(QStringLiteral("SnapshotProp"));
    setWindowTitle(tr("SnapshotProp"));
    resize(585, 31);

    horizontalLayout = new QHBoxLayout(this);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(4);
    horizontalLayout->setContentsMargins(1, 1, 1, 1);
    horizontalLayout->setSizeConstraint(QLayout::SetMaximumSize);

    auto place = [this](QWidget* w, const char* name, int maxWidth) {
        w->setObjectName(QLatin1String(name));
        w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        w->setMaximumSize(maxWidth, QWIDGETSIZE_MAX);
        horizontalLayout->addWidget(w);
    };
    fontComboBox = new QFontComboBox(this);
    fontComboBox->setEditable(false);
    fontComboBox->setToolTip(tr("Font"));
    fontComboBox->setAccessibleName(tr("Font"));
    place(fontComboBox, "fontComboBox", 100);
    fontColorComboBox = new ColorComboBox(this);
    place(fontColorComboBox, "fontColorComboBox", 80);
    fontSizeComboBox = new QComboBox(this);
    place(fontSizeComboBox, "fontSizeComboBox", 50);
    frameCheckBox = new QCheckBox(this);
    place(frameCheckBox, "frameCheckBox", 15);
    frameColorComboBox = new ColorComboBox(this);
    place(frameColorComboBox, "frameColorComboBox", 80);
    frameWidthComboBox = new QComboBox(this);
    place(frameWidthComboBox, "frameWidthComboBox", 50);
    fillCheckBox = new QCheckBox(this);
    place(fillCheckBox, "fillCheckBox", 15);
    fillColorComboBox = new ColorComboBox(this);
    place(fillColorComboBox, "fillColorComboBox", 80);
    hideLookComboBox = new QComboBox(this);
    place(hideLookComboBox, "hideLookComboBox", 80);
    hideBlockComboBox = new QComboBox(this);
    place(hideBlockComboBox, "hideBlockComboBox", 50);
    for (bool allText : {false, true}) {
        auto* button = new QPushButton(allText ? tr("Hide all text") : tr("Hide personal data"), this);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        place(button, allText ? "hideAllTextButton" : "hidePersonalDataButton", 160);
        connect(button, &QPushButton::clicked, this, [this, allText] { emit hideTextRequested(allText); });
        (allText ? hideAllTextButton : hidePersonalDataButton) = button;
    }
    highlightColorComboBox = new ColorComboBox(this);
    place(highlightColorComboBox, "highlightColorComboBox", 80);
    highlightWidthComboBox = new QComboBox(this);
    place(highlightWidthComboBox, "highlightWidthComboBox", 50);
    transparentEdit = new QLineEdit(this);
    transparentEdit->setToolTip(tr("Transparent Value"));
    transparentEdit->setAccessibleName(tr("Transparent Value"));
    transparentEdit->setValidator(new QIntValidator(0, kMaxTransparent, transparentEdit));
    place(transparentEdit, "transparentEdit", 30);
    transparentSlider = new QSlider(Qt::Horizontal, this);
    transparentSlider->setToolTip(tr("Transparent"));
    transparentSlider->setAccessibleName(tr("Transparent"));
    place(transparentSlider, "transparentSlider", QWIDGETSIZE_MAX);

    // Lay the form out now, widened if the controls need more than the
    // designed width, so that the recorded rectangles are the real ones.
    resize(qMax(width(), horizontalLayout->sizeHint().width()), height());
    horizontalLayout->activate();
    designedRects = {frameGeometry(),
                     fontComboBox->geometry(),
                     fontColorComboBox->geometry(),
                     fontSizeComboBox->geometry(),
                     frameCheckBox->geometry(),
                     frameColorComboBox->geometry(),
                     frameWidthComboBox->geometry(),
                     fillCheckBox->geometry(),
                     fillColorComboBox->geometry(),
                     hideLookComboBox->geometry(),
                     hideBlockComboBox->geometry(),
                     hidePersonalDataButton->geometry(),
                     hideAllTextButton->geometry(),
                     highlightColorComboBox->geometry(),
                     highlightWidthComboBox->geometry()};
}

void CSnapshotProp::loadSettings()
{
    // Nothing stored yet (first run): the desktop's own font, not whichever
    // family the font list happens to start with.
    fontComboBox->setCurrentFont(AppConfig.FontFamity.isEmpty()
                                     ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                     : QFont(AppConfig.FontFamity));
    selectColor(fontColorComboBox, AppConfig.FontColor);
    selectByText(fontSizeComboBox, AppConfig.FontSize);
    frameCheckBox->setChecked(AppConfig.FrameCheck);
    selectColor(frameColorComboBox, AppConfig.FrameColor);
    selectByText(frameWidthComboBox, AppConfig.FrameWidth);
    fillCheckBox->setChecked(AppConfig.FillCheck);
    selectColor(fillColorComboBox, AppConfig.FillColor);
    hideLookComboBox->setCurrentIndex(AppConfig.HideLook == 1 ? 1 : 0);
    selectByText(hideBlockComboBox, AppConfig.HideBlockSize, kDefaults.hideBlock);
    selectColor(highlightColorComboBox, AppConfig.HighlighterColor, kDefaults.highlightColor);
    selectByText(highlightWidthComboBox, AppConfig.HighlighterWidth, kDefaults.highlightWidth);
    connect(hideLookComboBox, &QComboBox::currentIndexChanged, this, &CSnapshotProp::enableHideBlock);

    connect(frameCheckBox, &QCheckBox::stateChanged, this, &CSnapshotProp::OnCheckStateChangedFrame);
    connect(fillCheckBox, &QCheckBox::stateChanged, this, &CSnapshotProp::OnCheckStateChangedFilled);

    const auto changed = [this] { tellLook(); };
    for (QComboBox* box : {static_cast<QComboBox*>(fontComboBox), static_cast<QComboBox*>(fontColorComboBox),
                           fontSizeComboBox, static_cast<QComboBox*>(frameColorComboBox), frameWidthComboBox,
                           static_cast<QComboBox*>(fillColorComboBox), hideLookComboBox, hideBlockComboBox,
                           static_cast<QComboBox*>(highlightColorComboBox), highlightWidthComboBox})
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    connect(frameCheckBox, &QCheckBox::toggled, this, changed);
    connect(fillCheckBox, &QCheckBox::toggled, this, changed);
    connect(transparentSlider, &QSlider::valueChanged, this, changed);
}

DrawProperties CSnapshotProp::properties() const
{
    DrawProperties p;
    p.frameColor = frameColor();
    p.fillColor = fillColor();
    p.fontColor = fontColor();
    p.frame = isFrameChecked();
    p.fill = isFillChecked();
    p.frameWidth = frameWidth();
    p.transparency = transparentValue();
    p.fontFamily = fontFamily();
    p.fontSize = fontSize();
    p.hideSmooth = hideLookComboBox->currentData().toBool();
    p.hideBlock = hideBlockComboBox->currentText().toInt();
    p.highlightColor = highlightColorComboBox->color();
    p.highlightWidth = highlightWidthComboBox->currentText().toInt();
    return p;
}

bool CSnapshotProp::isShapeMode() const
{
    return toolRow(drawMode).frameOrFill;
}

void CSnapshotProp::enableHideBlock()
{
    hideBlockComboBox->setEnabled(!hideLookComboBox->currentData().toBool());
}

void CSnapshotProp::enableColorBoxes()
{
    frameColorComboBox->setEnabled(frameCheckBox->isChecked());
    frameWidthComboBox->setEnabled(frameCheckBox->isChecked());
    fillColorComboBox->setEnabled(fillCheckBox->isChecked());
}

void CSnapshotProp::setDrawMode(DrawMode newMode)
{
    const QRect g = frameGeometry();
    drawMode = newMode;
    const ToolRow& row = toolRow(newMode);
    if (row.controls.isEmpty())
        return; // the strip stays as it is

    auto shows = [&row](PropControl which) {
        return std::any_of(row.controls.begin(), row.controls.end(),
                           [which](const ShownControl& c) { return c.control == which; });
    };
    for (const ShownControl& c : row.controls) {
        control(c.control)->setToolTip(tr(c.tip));
        control(c.control)->setAccessibleName(tr(c.tip));
    }

    showTextRecognition();

    // The strip is the designed width (plus one) less the designed widths of
    // the hidden controls; its right edge stays where the tool dialog put it.
    int newWidth = designedRects[DialogRect].width() + 1;
    for (int i = FontRect; i <= HighlightWidthRect; ++i) {
        const bool visible = shows(PropControl(i - FontRect));
        control(PropControl(i - FontRect))->setVisible(visible);
        if (!visible)
            newWidth -= designedRects[i].width();
    }

    // A colour box goes with its check box, where that is shown.
    const bool frameOn = !shows(PropControl::FrameCheck) || frameCheckBox->isChecked();
    const bool fillOn = !shows(PropControl::FillCheck) || fillCheckBox->isChecked();
    if (shows(PropControl::FrameColor))
        frameColorComboBox->setEnabled(frameOn);
    if (shows(PropControl::FrameWidth))
        frameWidthComboBox->setEnabled(frameOn);
    if (shows(PropControl::FillColor))
        fillColorComboBox->setEnabled(fillOn);
    enableHideBlock();
    if (row.frameOrFill && !frameCheckBox->isChecked() && !fillCheckBox->isChecked())
        frameCheckBox->setChecked(true);

    // The layout caps the strip at what the shown controls need; keep the
    // right edge by applying that cap here rather than letting it cut the
    // strip from the right.
    horizontalLayout->activate();
    newWidth = qMin(newWidth, maximumWidth());
    setGeometry(QRect(QPoint(g.right() - newWidth + 1, g.top()), QPoint(g.right(), g.bottom())));
}

void CSnapshotProp::setTextRecognition(bool available, const QString& why)
{
    m_textMissing = available ? QString() : why;
    showTextRecognition();
}

void CSnapshotProp::showTextRecognition()
{
    for (QPushButton* button : {hidePersonalDataButton, hideAllTextButton}) {
        button->setEnabled(m_textMissing.isEmpty());
        if (!m_textMissing.isEmpty())
            button->setToolTip(m_textMissing);
    }
}

int CSnapshotProp::transparentValue() const
{
    return transparentSlider->value();
}

QColor CSnapshotProp::frameColor() const
{
    return frameColorComboBox->color();
}

QColor CSnapshotProp::fillColor() const
{
    return fillColorComboBox->color();
}

QColor CSnapshotProp::fontColor() const
{
    return fontColorComboBox->color();
}

bool CSnapshotProp::isFrameChecked() const
{
    return frameCheckBox->isChecked();
}

bool CSnapshotProp::isFillChecked() const
{
    return fillCheckBox->isChecked();
}

int CSnapshotProp::frameWidth() const
{
    return frameWidthComboBox->currentText().toInt();
}

int CSnapshotProp::fontSize() const
{
    return fontSizeComboBox->currentText().toInt();
}

QString CSnapshotProp::fontFamily() const
{
    return fontComboBox->currentFont().family();
}

bool keepsEnter(const QWidget* control)
{
    if (const auto* list = qobject_cast<const QComboBox*>(control))
        return list->isEditable();
    return control && (control->inherits("QLineEdit") || control->inherits("QAbstractSpinBox") ||
                       control->inherits("QTextEdit") || control->inherits("QPlainTextEdit"));
}

void CSnapshotProp::keyPressEvent(QKeyEvent* event)
{
    // Not the dialog's own keys: Escape would only hide the strip, and
    // Enter belongs to the text field it was typed in, or else finishes
    // the snapshot as elsewhere.
    switch (event->key()) {
    case Qt::Key_Escape:
        emit escapePressed();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->setAccepted(keepsEnter(focusWidget()));
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CSnapshotProp::OnTransparentValueChanged(int value)
{
    transparentEdit->setText(QStringLiteral("%1").arg(value));
    AppConfig.Transparent = value;
}

void CSnapshotProp::OnCheckStateChangedFrame(int state)
{
    const bool checked = state == Qt::Checked;
    frameColorComboBox->setEnabled(checked);
    frameWidthComboBox->setEnabled(checked);
    if (isShapeMode()) {
        if (!checked)
            fillCheckBox->setChecked(true);
        frameCheckBox->setVisible(true);
        fillCheckBox->setVisible(true);
        enableColorBoxes();
    }
}

void CSnapshotProp::OnCheckStateChangedFilled(int state)
{
    fillColorComboBox->setEnabled(state == Qt::Checked);
    if (isShapeMode() && state != Qt::Checked)
        frameCheckBox->setChecked(true);
}

void CSnapshotProp::closeEvent(QCloseEvent* event)
{
    AppConfig.FontFamity = fontComboBox->currentText();
    AppConfig.FontColor = fontColorComboBox->color();
    AppConfig.FontSize = fontSizeComboBox->currentText().toInt();
    AppConfig.FrameCheck = frameCheckBox->isChecked();
    AppConfig.FrameColor = frameColorComboBox->color();
    AppConfig.FrameWidth = frameWidthComboBox->currentText().toInt();
    AppConfig.FillCheck = fillCheckBox->isChecked();
    AppConfig.FillColor = fillColorComboBox->color();
    AppConfig.Transparent = transparentSlider->value();
    AppConfig.HideLook = hideLookComboBox->currentData().toBool() ? 1 : 0;
    AppConfig.HideBlockSize = hideBlockComboBox->currentText().toInt();
    AppConfig.HighlighterColor = highlightColorComboBox->color();
    AppConfig.HighlighterWidth = highlightWidthComboBox->currentText().toInt();
    event->accept();
}
