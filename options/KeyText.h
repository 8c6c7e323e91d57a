#pragma once

#include <QString>
#include <Qt>

// Name of a key code: "A".."Z", "0".."9", "F1".."F12", "Shift", "Ctrl",
// "Meta", "Alt"; any other code gives the empty text.
QString keyName(int key);
// The key code of a name (trimmed, case-sensitive); 0 for an unknown name.
int keyFromName(const QString& name);
// Whether the key can be the key of a combination (letters, digits, F1..F12).
bool isShortcutKey(int key);

// One hot-key combination: modifier flags and key slots, with its text form
// "Alt + S" (display) or "Alt+S" (compact).
class CShortcut
{
public:
    explicit CShortcut(const QString& text = QString());
    virtual ~CShortcut() = default;

    void setModifiers(Qt::KeyboardModifiers m) { modifiers = m; }
    // Takes the key only when it can be the key of a combination.
    void setKey(int key);
    bool isValid() const { return keys[0] > 0; }
    QString toString(bool compact) const;
    void fromString(const QString& text);

    int key() const { return keys[0]; }
    Qt::KeyboardModifiers keyboardModifiers() const { return modifiers; }

private:
    int keys[4];
    Qt::KeyboardModifiers modifiers;
};
