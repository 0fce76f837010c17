#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace tolvan {

// How the M command lines read numbers, in literals and in texts alike:
// digits, an optional point (a trailing one too: "1." is 1), more digits, and
// an exponent written with an upper-case E ("1E3", ".5E-1"). All digits are
// kept up to the 64th place after the point; smaller values are 0. Values of
// 1E64 and more are too large (<MAXNUMBER>).
namespace mnumber {

inline constexpr int MaxWholeDigits = 64;

inline bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
inline constexpr int MaxFractionDigits = 64;

// The number written at `from`, without a sign. `end` receives where it ends;
// it stays at `from` when there are no digits. Nothing when too large.
std::optional<QString> read(QStringView text, qsizetype from, qsizetype *end);

// A text's numeric value: leading signs, then the number above; whatever
// follows is ignored ("2abc" is 2, "-1E2x" is -100, "1e1" is 1, "x" is 0).
// Nothing when too large.
std::optional<QString> valueOf(QStringView text);

// A canonical number cut to a whole number and bounded, for piece positions.
qint64 whole(const QString &canonical);

// The negation of a canonical number.
QString negated(const QString &canonical);

} // namespace mnumber
} // namespace tolvan
