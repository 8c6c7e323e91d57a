#pragma once

#include "options/KeyText.h"

#include <QSet>
#include <QTableWidget>

class QKeyEvent;
class QLabel;

// A two-row table of the global hot keys ("Show Main Window", "Start
// snapshot"). Pressing keys while a row is current captures a combination
// into that row; cells are never edited directly. Tab moves the focus on and
// plain Up and Down choose the row, so the keyboard alone can use the table.
// A combination that only types text is refused: the row keeps its value.
class CShortcutList : public QTableWidget
{
    Q_OBJECT
public:
    explicit CShortcutList(QWidget* parent = nullptr);
    ~CShortcutList() override;

    void loadSettings();
    void saveSettings();
    void restoreDefaults();

signals:
    // Why the last key press was refused; empty once a press is taken.
    void noteChanged(const QString& note);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static bool isRowNavigation(const QKeyEvent* event);
    static QString refusalNote(const QString& combination);
    void setShortcutText(int row, const QString& text);
    QString shortcutText(int row) const;

    // Accumulates over the whole run of the dialog: a press replaces the
    // modifiers and, for a key of the key set, the key.
    CShortcut pendingShortcut;
    // Keys whose press this list captured and that are still down: a release
    // of any other key (the Tab that moved the focus here) clears nothing.
    QSet<int> m_heldKeys;
    // The row and its text when the first of the held keys went down: a
    // refused press puts that text back ("Shift" shown on the way to Shift+7).
    int m_rowBeforeKeys = -1;
    QString m_textBeforeKeys;
};

// Page "Shortcut" of the options dialog: holds the shortcut list.
class CShortcutPage : public QWidget
{
public:
    explicit CShortcutPage(QWidget* parent = nullptr);

    void loadSettings();
    void saveSettings();
    void restoreDefaults();
    // A lasting notice about the hot keys on this desktop; empty hides it.
    void setSystemNotice(const QString& text);

private:
    CShortcutList* shortcutList;
    QLabel* note;
    QLabel* systemNote;
};
