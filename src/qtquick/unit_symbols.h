#pragma once
// Units as the window draws them. The screens write units in plain letters ("4.7 KOhm +-5%",
// "0.047 uF", "13.86 us"), and those texts are what scripts print and copies take; the window
// draws the symbols instead: "4.7 kΩ ±5%", "0.047 µF", "13.86 µs". A drawn text is shorter
// than the one it stands for, so it keeps where each of its characters came from: a selection
// in the drawing is copied as the part of the screen's text under it.
#include <QList>
#include <QString>

namespace ohmkit::qtquick {

struct DrawnUnits {
    QString text;
    // source[i]: where drawn character i begins in the screen's text; source[text.size()] is
    // the screen's text's length.
    QList<int> source;

    // The part of `original` (the text this was drawn from) under drawn positions
    // [start, end): a symbol partly selected stands for the whole unit it draws.
    QString originalBetween(const QString& original, int start, int end) const;
};

// Draws "Ohm", "Ohms", "KOhm" and "MOhm" as Ω, kΩ and MΩ (whole words only: "Ohmkit" stays),
// "+-" and "+/-" as ±, and the micro prefix of uF, uH and us after a number as µ.
DrawnUnits drawUnits(const QString& text);

}  // namespace ohmkit::qtquick
