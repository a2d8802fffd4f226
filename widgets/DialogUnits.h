#pragma once

#include <QRect>

class QFont;
class QFontMetrics;

// a * b / c rounded to the nearest integer, halves away from zero; 0 when c is 0.
int ScaleRounded(int a, int b, int c);

// Dialog units of a dialog font: a horizontal unit is a quarter of the font's
// average character width (of A-Z and a-z), a vertical unit an eighth of its
// height. A template rectangle maps to pixels edge by edge, rounded.
struct DialogUnits
{
    int BaseX = 4; // average character width in pixels
    int BaseY = 8; // font height in pixels

    static DialogUnits FromFont(const QFont& font);
    // The width of the 52 letters A-Z a-z in the font.
    static int LettersWidth(const QFontMetrics& metrics);
    // The average width from the width of the 52 letters, rounded.
    static int AverageWidth(int widthOfLetters) { return (widthOfLetters / 26 + 1) / 2; }

    int X(int units) const;
    int Y(int units) const;
    QRect Map(int x, int y, int width, int height) const;
};
