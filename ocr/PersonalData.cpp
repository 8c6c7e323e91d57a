#include "ocr/PersonalData.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

// What a line looks like to the patterns: its words joined by a space, or
// by a bar where a wide gap parts them (table columns), which no pattern
// crosses.
struct JoinedLine
{
    QString text;
    QList<int> starts; // where each word begins in `text`
    QList<const RecognizedWord*> words;
};

QList<JoinedLine> joinLines(const RecognizedText& text)
{
    QList<JoinedLine> lines(text.lines.size());
    for (const RecognizedWord& word : text.words) {
        if (word.line < 0 || word.line >= lines.size())
            continue;
        JoinedLine& line = lines[word.line];
        if (!line.words.isEmpty()) {
            const QRect before = line.words.last()->box;
            const int gap = word.box.left() - before.right();
            line.text += gap > 2 * std::max(before.height(), word.box.height()) ? QStringLiteral(" | ")
                                                                                : QStringLiteral(" ");
        }
        line.starts << int(line.text.size());
        line.words << &word;
        line.text += word.text;
    }
    return lines;
}

int digitCount(QStringView text)
{
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }));
}

// A calendar date written with dashes or slashes (2026-12-09, 09-12-2026)
// is the digits of no person.
bool isDate(const QString& text)
{
    static const QRegularExpression date(QStringLiteral(
        R"(^(?:\d{4}[-/](?:0?[1-9]|1[0-2])[-/](?:0?[1-9]|[12]\d|3[01])|(?:0?[1-9]|[12]\d|3[01])[-/](?:0?[1-9]|1[0-2])[-/]\d{4})$)"));
    return date.match(text).hasMatch();
}

bool isIpV4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const QString& p) {
               bool ok = false;
               return p.size() <= 3 && p.toInt(&ok) <= 255 && ok;
           });
}

struct Pattern
{
    QRegularExpression expression;
    bool (*accept)(const QString& match);
    int part = 0; // the capture that is hidden: 0, all of the match
};

const QList<Pattern>& patterns()
{
    static const QList<Pattern> all = {
        // E-mail addresses. The dots of small bitmap fonts are read as
        // commas as often as not.
        {QRegularExpression(QStringLiteral(R"([\w.,%+-]+@[\w-]+(?:[.,][\w-]+)*[.,][A-Za-z]{2,})")), nullptr},
        // Links, with or without their scheme.
        {QRegularExpression(QStringLiteral(R"((?:\b(?:https?|ftp)://|\bwww\.)[^\s|]+)"),
                            QRegularExpression::CaseInsensitiveOption),
         nullptr},
        // IPv4 addresses, and IPv6 ones with at least three groups.
        {QRegularExpression(QStringLiteral(R"(\b\d{1,3}(?:\.\d{1,3}){3}\b)")), isIpV4},
        {QRegularExpression(
             QStringLiteral(R"((?<![\w:])(?:[0-9A-Fa-f]{0,4}:){2,7}[0-9A-Fa-f]{1,4}(?![\w:]))")),
         [](const QString& m) { return m.contains(QLatin1String("::")) || m.count(QLatin1Char(':')) >= 4; }},
        // IBANs: two letters, two digits, then groups of letters and digits.
        {QRegularExpression(QStringLiteral(R"(\b[A-Z]{2}\d{2}(?: ?[A-Z0-9]{4}){2,7}(?: ?[A-Z0-9]{1,3})?\b)")),
         nullptr},
        // Phone, card and account numbers: digits grouped by single spaces,
        // dashes or slashes, perhaps in brackets or after a "+".
        {QRegularExpression(QStringLiteral(R"((?<![\w.])(?:\+|\(\+?)?\d(?:[ \-/]?\(?\d\)?)+(?![\w]|\.\d))")),
         [](const QString& m) { return digitCount(m) >= 6 && !isDate(m); }},
        // What follows a password's (or a PIN's, a key's) label and a colon
        // or an equals sign: the word after it, not the label.
        {QRegularExpression(
             QStringLiteral(
                 R"(\b(?:password|passwort|passwd|pwd|passphrase|kennwort|pin|token|secret|api[ _-]?key)\s*[:=]\s*([^\s|]+))"),
             QRegularExpression::CaseInsensitiveOption),
         nullptr, 1},
    };
    return all;
}

// The characters `from` to `to` (not included) of a word: the word's top
// and bottom, their own left and right where the letters are known. Where
// the word goes on beside them, the hide area may reach only half-way into
// the gap to the next letter (`reach`), so that the label stays whole.
struct WordPart
{
    QRect box;
    int reachLeft = std::numeric_limits<int>::min();
    int reachRight = std::numeric_limits<int>::max();
};

WordPart partOf(const RecognizedWord& word, int from, int to)
{
    if ((from == 0 && to == word.text.size()) || word.letters.size() != word.text.size())
        return {word.box};
    QRect letters;
    for (int i = from; i < to; ++i)
        letters |= word.letters.at(i);
    WordPart part{QRect(QPoint(letters.left(), word.box.top()), QPoint(letters.right(), word.box.bottom()))};
    if (from > 0)
        part.reachLeft = (word.letters.at(from - 1).right() + letters.left() + 1) / 2;
    if (to < word.text.size())
        part.reachRight = (letters.right() + word.letters.at(to).left()) / 2;
    return part;
}

} // namespace

QRect hideAreaFor(const QRect& textBox)
{
    const int side = 2;
    const int above = 2 + textBox.height() / 6;
    return textBox.adjusted(-side, -above, side, above);
}

QList<QRect> personalDataAreas(const RecognizedText& text)
{
    QList<QRect> areas;
    for (const JoinedLine& line : joinLines(text)) {
        // A word once, for the first pattern that finds it.
        QList<bool> taken(line.words.size(), false);
        QList<QRect> found;
        for (const Pattern& pattern : patterns()) {
            auto matches = pattern.expression.globalMatch(line.text);
            while (matches.hasNext()) {
                const QRegularExpressionMatch match = matches.next();
                if (pattern.accept && !pattern.accept(match.captured()))
                    continue;
                const auto from = match.capturedStart(pattern.part);
                const auto to = match.capturedEnd(pattern.part);
                WordPart hit;
                for (int i = 0; i < line.words.size(); ++i) {
                    const RecognizedWord& word = *line.words.at(i);
                    const int start = line.starts.at(i);
                    const int end = start + int(word.text.size());
                    if (taken.at(i) || end <= from || start >= to)
                        continue;
                    taken[i] = true;
                    // A value stuck to its label loses only the value; other
                    // finds take their whole words (brackets, a comma after).
                    const WordPart part = pattern.part
                                              ? partOf(word, int(std::max<qsizetype>(from - start, 0)),
                                                       int(std::min<qsizetype>(to, end) - start))
                                              : WordPart{word.box};
                    hit.box |= part.box;
                    hit.reachLeft = std::max(hit.reachLeft, part.reachLeft);
                    hit.reachRight = std::min(hit.reachRight, part.reachRight);
                }
                if (!hit.box.isEmpty()) {
                    QRect area = hideAreaFor(hit.box);
                    area.setLeft(std::max(area.left(), hit.reachLeft));
                    area.setRight(std::min(area.right(), hit.reachRight));
                    found << area;
                }
            }
        }
        // From left to right, whichever pattern found them.
        std::sort(found.begin(), found.end(),
                  [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
        areas += found;
    }
    return areas;
}

QList<QRect> textLineAreas(const RecognizedText& text)
{
    QList<QRect> areas;
    for (const QRect& line : text.lineBoxes)
        areas << hideAreaFor(line);
    return areas;
}
