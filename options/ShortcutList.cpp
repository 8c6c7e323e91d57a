#include "options/ShortcutList.h"

#include "config/AppConfig.h"
#include "platform/PhysicalKey.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace {

constexpr int kShowMainWndRow = 0;
constexpr int kStartSnapshotRow = 1;
constexpr int kShortcutColumn = 1;

// The display form of a stored text, or the empty text when it names no
// complete combination.
QString normalised(const QString& text)
{
    const CShortcut shortcut(text);
    return shortcut.isValid() ? shortcut.toString(false) : QString();
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
    // Plain Up and Down choose the row (neither can be part of a hot key);
    // every other key is taken for the capture.
    if (isRowNavigation(event)) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    // The key itself, not what Shift makes of it: Shift+7 is 7, not "&".
    const int key = physicalKey(*event);
    m_heldKeys.insert(key);
    pendingShortcut.setModifiers(event->modifiers());
    pendingShortcut.setKey(key);
    setShortcutText(currentRow(), pendingShortcut.toString(false));
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
    auto* layout = new QVBoxLayout;
    layout->addWidget(shortcutList);
    setLayout(layout);
    shortcutList->loadSettings();
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
