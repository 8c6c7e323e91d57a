#include "options/KeyText.h"

#include <QStringList>

namespace {

struct ModifierName
{
    Qt::KeyboardModifier flag;
    Qt::Key key;
    const char* name;
};

// The fixed order of modifiers in a key text.
constexpr ModifierName kModifiers[] = {
    {Qt::MetaModifier, Qt::Key_Meta, "Meta"},
    {Qt::ShiftModifier, Qt::Key_Shift, "Shift"},
    {Qt::ControlModifier, Qt::Key_Control, "Ctrl"},
    {Qt::AltModifier, Qt::Key_Alt, "Alt"},
};

} // namespace

bool isShortcutKey(int key)
{
    return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
           (key >= Qt::Key_F1 && key <= Qt::Key_F12);
}

QString keyName(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QString(QChar(key)); // Qt's codes for these are their ASCII upper-case characters
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return QLatin1Char('F') + QString::number(key - Qt::Key_F1 + 1);
    for (const ModifierName& m : kModifiers) {
        if (key == m.key)
            return QLatin1String(m.name);
    }
    return QString();
}

int keyFromName(const QString& name)
{
    const QString n = name.trimmed();
    if (n.size() == 1) {
        const QChar c = n.at(0);
        if ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return c.unicode();
    }
    if (n.size() >= 2 && n.size() <= 3 && n.at(0) == QLatin1Char('F')) {
        bool ok = false;
        const int number = n.mid(1).toInt(&ok);
        // "F01" or "F+1" are no names: only the plain decimal spelling counts.
        if (ok && number >= 1 && number <= 12 && QString::number(number) == n.mid(1))
            return Qt::Key_F1 + number - 1;
    }
    for (const ModifierName& m : kModifiers) {
        if (n == QLatin1String(m.name))
            return m.key;
    }
    return 0;
}

CShortcut::CShortcut(const QString& text) : keys{0, 0, 0, 0}, modifiers()
{
    fromString(text);
}

void CShortcut::setKey(int key)
{
    if (isShortcutKey(key))
        keys[0] = key;
}

QString CShortcut::toString(bool compact) const
{
    const QString separator = compact ? QStringLiteral("+") : QStringLiteral(" + ");
    QStringList items;
    for (const ModifierName& m : kModifiers) {
        if (modifiers & m.flag)
            items << QLatin1String(m.name);
    }
    for (int key : keys) {
        if (key != 0)
            items << keyName(key);
    }
    return items.join(separator);
}

void CShortcut::fromString(const QString& text)
{
    modifiers = Qt::KeyboardModifiers();
    for (int& key : keys)
        key = 0;
    const QStringList parts = text.split(QLatin1Char('+'));
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        const int code = keyFromName(part);
        bool isModifier = false;
        for (const ModifierName& m : kModifiers) {
            if (code == m.key) {
                modifiers |= m.flag;
                isModifier = true;
            }
        }
        if (!isModifier && isShortcutKey(code))
            keys[0] = code;
    }
}
