#include "options/ShortcutList.h"

#include "config/AppConfig.h"
#include "platform/GlobalShortcut.h"
#include "platform/PhysicalKey.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kShowMainWndRow = 0;
constexpr int kStartSnapshotRow = 1;
constexpr int kShortcutColumn = 1;

bool onlyTypesText(int key, Qt::KeyboardModifiers modifiers)
{
    return CGlobalShortcut::onlyTypesText(QKeyCombination(modifiers, Qt::Key(key)));
}

// The display form of a stored text, or the empty text when it names no
// combination that can be a hot key.
QString normalised(const QString& text)
{
    const CShortcut shortcut(text);
    const bool usable = shortcut.isValid() && !onlyTypesText(shortcut.key(), shortcut.keyboardModifiers());
    return usable ? shortcut.toString(false) : QString();
}

// A pressed key with its modifiers in display form, also for keys that have
// no name of their own in the key text ("Shift + /", "Space").
QString pressedName(int key, Qt::KeyboardModifiers modifiers)
{
    CShortcut shortcut;
    shortcut.setModifiers(modifiers);
    QString name = keyName(key);
    if (name.isEmpty())
        name = QKeySequence(key).toString(QKeySequence::NativeText);
    const QString prefix = shortcut.toString(false);
    return prefix.isEmpty() ? name : prefix + QStringLiteral(" + ") + name;
}

} // namespace

CShortcutList::CShortcutList(QWidget* parent) : QTableWidget(2, 2, parent), pendingShortcut(QString())
{
    setHorizontalHeaderLabels({tr("Name"), tr("Shortcut")});
    setColumnWidth(0, 150);
    setColumnWidth(1, 150);
    // Tab and Backtab move the focus on instead of through the cells.
    setTabKeyNavigation(false);

    const QString names[] = {tr("Show Main Window"), tr("Start snapshot")};
    for (int row = 0; row < 2; ++row) {
        setItem(row, 0, new QTableWidgetItem(names[row]));
        setItem(row, kShortcutColumn, new QTableWidgetItem(QString()));
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* cell = item(row, column);
            cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
        }
    }
    loadSettings();
}

CShortcutList::~CShortcutList() = default;

void CShortcutList::setShortcutText(int row, const QString& text)
{
    item(row, kShortcutColumn)->setData(Qt::DisplayRole, text);
}

QString CShortcutList::shortcutText(int row) const
{
    return item(row, kShortcutColumn)->data(Qt::DisplayRole).toString();
}

void CShortcutList::loadSettings()
{
    setShortcutText(kShowMainWndRow, normalised(AppConfig.ShortcutShowMainWnd));
    setShortcutText(kStartSnapshotRow, normalised(AppConfig.ShortcutStartSnapshot));
    emit noteChanged(QString());
}

void CShortcutList::saveSettings()
{
    AppConfig.ShortcutShowMainWnd = normalised(shortcutText(kShowMainWndRow));
    AppConfig.ShortcutStartSnapshot = normalised(shortcutText(kStartSnapshotRow));
}

void CShortcutList::restoreDefaults()
{
    setShortcutText(kShowMainWndRow, QStringLiteral("Alt + E"));
    setShortcutText(kStartSnapshotRow, QStringLiteral("Alt + S"));
    emit noteChanged(QString());
}

QString CShortcutList::refusalNote(const QString& combination)
{
    return tr("\"%1\" only types text. A hot key without Ctrl, Alt or Meta would take that key from every "
              "program.")
        .arg(combination);
}

bool CShortcutList::isRowNavigation(const QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    return plain && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
}

void CShortcutList::keyPressEvent(QKeyEvent* event)
{
    if (currentRow() < 0)
        return;
    // Plain Escape is the dialog's: it cancels it, as everywhere.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    // Plain Up and Down choose the row (neither can be part of a hot key);
    // every other key is taken for the capture.
    if (isRowNavigation(event)) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    if (m_heldKeys.isEmpty()) {
        m_rowBeforeKeys = currentRow();
        m_textBeforeKeys = shortcutText(currentRow());
    }
    // The key itself, not what Shift makes of it: Shift+7 is 7, not "&".
    const int key = physicalKey(*event);
    CShortcut candidate = pendingShortcut;
    candidate.setModifiers(event->modifiers());
    candidate.setKey(key);
    // Neither the pressed key nor the combination it makes may only type text.
    const bool typedText = onlyTypesText(key, event->modifiers());
    if (typedText || (candidate.isValid() && onlyTypesText(candidate.key(), candidate.keyboardModifiers()))) {
        // The row keeps what it showed before these keys; their releases change nothing.
        if (m_rowBeforeKeys == currentRow())
            setShortcutText(currentRow(), m_textBeforeKeys);
        m_heldKeys.clear();
        emit noteChanged(
            refusalNote(typedText ? pressedName(key, event->modifiers()) : candidate.toString(false)));
        event->accept();
        return;
    }
    m_heldKeys.insert(key);
    pendingShortcut = candidate;
    setShortcutText(currentRow(), pendingShortcut.toString(false));
    emit noteChanged(QString());
    event->accept();
}

void CShortcutList::keyReleaseEvent(QKeyEvent* event)
{
    if (currentRow() < 0)
        return;
    if (m_heldKeys.remove(physicalKey(*event)) && !pendingShortcut.isValid())
        setShortcutText(currentRow(), QString());
    event->accept();
}

void CShortcutList::focusOutEvent(QFocusEvent* event)
{
    m_heldKeys.clear();
    QTableWidget::focusOutEvent(event);
}

CShortcutPage::CShortcutPage(QWidget* parent) : QWidget(parent)
{
    shortcutList = new CShortcutList;
    shortcutList->setObjectName(QStringLiteral("shortcutList"));
    note = new QLabel;
    note->setObjectName(QStringLiteral("shortcutNote"));
    note->setWordWrap(true);
    note->hide();
    connect(shortcutList, &CShortcutList::noteChanged, note, [this](const QString& text) {
        note->setText(text);
        note->setVisible(!text.isEmpty());
    });
    systemNote = new QLabel;
    systemNote->setObjectName(QStringLiteral("hotKeysNotice"));
    systemNote->setWordWrap(true);
    systemNote->hide();
    auto* layout = new QVBoxLayout;
    layout->addWidget(shortcutList);
    layout->addWidget(note);
    layout->addWidget(systemNote);
    setLayout(layout);
    shortcutList->loadSettings();
}

void CShortcutPage::setSystemNotice(const QString& text)
{
    systemNote->setText(text);
    systemNote->setVisible(!text.isEmpty());
}

void CShortcutPage::loadSettings()
{
    shortcutList->loadSettings();
}

void CShortcutPage::saveSettings()
{
    shortcutList->saveSettings();
}

void CShortcutPage::restoreDefaults()
{
    shortcutList->restoreDefaults();
}
