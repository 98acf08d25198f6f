#include "qtquick/unit_symbols.h"

#include <QRegularExpression>

#include <algorithm>

namespace ohmkit::qtquick {

namespace {

// A written spelling and how each of its parts (the expression's capture groups, which cover
// the whole match) is drawn. Each part is drawn as one symbol or as its own letters, so that
// every drawn character stands for a whole part: "KOhm" is "k" for "K" and "Ω" for "Ohm".
using Draw = QString (*)(const QString& written);

struct Spelling {
    QRegularExpression written;
    QList<Draw> parts;
};

QString ohm(const QString&) { return QStringLiteral("\u03a9"); }
QString plusMinus(const QString&) { return QStringLiteral("\u00b1"); }
QString micro(const QString&) { return QStringLiteral("\u00b5"); }
// The kilo prefix is a small k; mega stays M.
QString prefix(const QString& written) { return written == QLatin1String("K") ? QStringLiteral("k") : written; }

const QList<Spelling>& spellings()
{
    static const QList<Spelling> all = {
        {QRegularExpression(QStringLiteral("(?<!\\p{L})([KM]?)(Ohms?)(?!\\p{L})")), {prefix, ohm}},
        {QRegularExpression(QStringLiteral("(\\+/?-)")), {plusMinus}},
        {QRegularExpression(QStringLiteral("(?<=\\d|\\d[ \\x{00a0}])(u)(?=[FHs](?!\\p{L}))")), {micro}},
    };
    return all;
}

// One part of a match: the written range and what is drawn for it.
struct Piece {
    qsizetype start;
    qsizetype length;
    QString drawn;
};

}  // namespace

DrawnUnits drawUnits(const QString& text)
{
    // The spellings' matches in the text, taken apart; the spellings never overlap.
    QList<Piece> pieces;
    for (const Spelling& spelling : spellings()) {
        auto it = spelling.written.globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            for (int i = 0; i < spelling.parts.size(); ++i)
                if (m.capturedLength(i + 1) > 0)
                    pieces.push_back({m.capturedStart(i + 1), m.capturedLength(i + 1), spelling.parts[i](m.captured(i + 1))});
        }
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.start < b.start; });

    DrawnUnits out;
    out.text.reserve(text.size());
    out.source.reserve(text.size() + 1);
    qsizetype at = 0;
    auto copyUpTo = [&](qsizetype end) {
        for (; at < end; ++at) {
            out.text.append(text[at]);
            out.source.append(static_cast<int>(at));
        }
    };
    for (const Piece& piece : pieces) {
        copyUpTo(piece.start);
        // Each drawn character of a part begins where the part does; only the first is
        // reached by a position (the parts are drawn as one character, or letter for letter).
        for (qsizetype i = 0; i < piece.drawn.size(); ++i) {
            out.text.append(piece.drawn[i]);
            out.source.append(static_cast<int>(piece.drawn.size() == piece.length ? piece.start + i : piece.start));
        }
        at = piece.start + piece.length;
    }
    copyUpTo(text.size());
    out.source.append(static_cast<int>(text.size()));
    return out;
}

QString DrawnUnits::originalBetween(const QString& original, int start, int end) const
{
    const int last = static_cast<int>(text.size());
    start = std::clamp(start, 0, last);
    end = std::clamp(end, start, last);
    if (start == end) return {};
    // The end is where the character after the selection begins, so a selected symbol takes
    // every letter it stands for.
    const int from = source[start];
    const int to = source[end];
    return original.mid(from, to - from);
}

}  // namespace ohmkit::qtquick
