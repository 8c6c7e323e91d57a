#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>

// A system-wide hot key: grabs its key combination on the X11 root window for
// as long as the object lives and emits activated() when it is pressed,
// whatever window has the focus. Num Lock and Caps Lock do not matter.
class CGlobalShortcut : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    CGlobalShortcut(const QKeySequence& shortcut, QObject* parent = nullptr);
    ~CGlobalShortcut() override;

    QKeySequence shortcut() const { return m_shortcut; }
    // Whether the combination is grabbed (false without X11, for keys that
    // have no key code, for combinations that only type text, or when
    // another program holds the combination).
    bool isRegistered() const { return m_registered; }
    // Why the combination is not registered ("another program holds it"),
    // translated; empty when it is.
    QString problem() const { return m_problem; }

    // Whether pressing the combination only types text: a character key
    // (letter, digit, punctuation, Space), Return, Tab, Backspace or Escape
    // without Ctrl, Alt or Meta (Shift alone still types). Grabbing it would
    // take that key from every program, so it is never a hot key.
    static bool onlyTypesText(QKeyCombination combination);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activated();

private:
    bool grab();
    void ungrab();
    QList<unsigned int> lockVariants() const;

    QKeySequence m_shortcut;
    QString m_problem;
    unsigned int m_keycode = 0;
    unsigned int m_modifiers = 0;
    unsigned int m_numLock = 0;
    bool m_registered = false;
};
