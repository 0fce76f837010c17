#include "MNumber.h"

#include <algorithm>

namespace tolvan::mnumber {
namespace {

// Exponents beyond this change nothing: every value is 0 or too large by then.
constexpr int ExponentBound = 100000;

// Digits with the point `point` places from their start, in canonical form.
std::optional<QString> canonical(QString digits, qsizetype point)
{
    qsizetype zeros = 0;
    while (zeros < digits.size() && digits[zeros] == u'0')
        ++zeros;
    digits.remove(0, zeros);
    point -= zeros;
    const auto dropTrailingZeros = [&digits] {
        while (digits.endsWith(u'0'))
            digits.chop(1);
    };
    dropTrailingZeros();
    if (digits.isEmpty())
        return QStringLiteral("0");
    if (point > MaxWholeDigits)
        return std::nullopt;
    const qsizetype kept = point + MaxFractionDigits;
    if (kept <= 0)
        return QStringLiteral("0");
    if (digits.size() > kept)
        digits.truncate(kept);
    dropTrailingZeros();
    if (digits.isEmpty())
        return QStringLiteral("0");
    if (point <= 0)
        return u'.' + QString(-point, u'0') + digits;
    if (point >= digits.size())
        return digits + QString(point - digits.size(), u'0');
    return digits.left(point) + u'.' + digits.mid(point);
}

} // namespace

std::optional<QString> read(QStringView text, qsizetype from, qsizetype *end)
{
    qsizetype i = from;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    const QStringView whole = text.mid(from, i - from);
    QStringView fraction;
    if (i < text.size() && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        // A point alone is no number, a point after digits ends one.
        if (j > i + 1 || !whole.isEmpty()) {
            fraction = text.mid(i + 1, j - i - 1);
            i = j;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty()) {
        *end = from;
        return QStringLiteral("0");
    }
    int exponent = 0;
    if (i < text.size() && text[i] == u'E') {
        qsizetype j = i + 1;
        bool negative = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            negative = text[j++] == u'-';
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                exponent = std::min(exponent * 10 + (text[j].unicode() - u'0'), ExponentBound);
                ++j;
            }
            exponent = negative ? -exponent : exponent;
            i = j;
        }
    }
    *end = i;
    return canonical(whole.toString() + fraction.toString(), whole.size() + exponent);
}

std::optional<QString> valueOf(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    while (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative ^= text[i] == u'-';
        ++i;
    }
    qsizetype end = i;
    const std::optional<QString> value = read(text, i, &end);
    if (!value || !negative)
        return value;
    return negated(*value);
}

qint64 whole(const QString &canonical)
{
    // Pieces beyond a billion are as empty as the billionth.
    constexpr qint64 Bound = 1'000'000'000;
    const bool negative = canonical.startsWith(u'-');
    const QStringView digits = QStringView(canonical).mid(negative ? 1 : 0);
    const QStringView wholePart =
        digits.left(digits.indexOf(u'.') < 0 ? digits.size() : digits.indexOf(u'.'));
    const qint64 value = wholePart.size() > 10 ? Bound : std::min(wholePart.toLongLong(), Bound);
    return negative ? -value : value;
}

QString negated(const QString &canonical)
{
    if (canonical == u"0")
        return canonical;
    return canonical.startsWith(u'-') ? canonical.mid(1) : u'-' + canonical;
}

} // namespace tolvan::mnumber
