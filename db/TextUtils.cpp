#include "TextUtils.h"

#include "Clock.h"
#include "Guard.h"

#include <QCoreApplication>
#include <array>

namespace tolvan {
namespace {

// The password scrambling key, the same for storing and reading.
constexpr unsigned char ScrambleKey = 0x5A;

// The characters of the Windows-1252 codes 0x80 to 0x9F; the five codes the
// code page leaves undefined stand for the control characters of the same code.
constexpr std::array<char16_t, 32> Windows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t characterOf(unsigned char code)
{
    return code >= 0x80 && code <= 0x9F ? Windows1252High[code - 0x80] : char16_t(code);
}

// The Windows-1252 code of a character, or -1 when the code page has none.
int codeOf(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    for (int i = 0; i < int(Windows1252High.size()); ++i) {
        if (Windows1252High[i] == character)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString GetField(const QString &text, const QString &separator, int n, const QString &defaultValue)
{
    if (n < 1)
        return defaultValue;
    QStringView field = text;
    if (separator.size() == 1) {
        const QChar cut = separator.front();
        qsizetype start = 0;
        for (int i = 1; i < n; ++i) {
            const qsizetype next = text.indexOf(cut, start);
            if (next < 0)
                return defaultValue;
            start = next + 1;
        }
        const qsizetype end = text.indexOf(cut, start);
        field = QStringView(text).mid(start, end < 0 ? -1 : end - start);
    } else if (n > 1) {
        return defaultValue;
    }
    return field.isEmpty() ? defaultValue : field.toString();
}

QString XorText(const QString &text)
{
    QString result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t character = text[i].unicode();
        const int code = codeOf(character);
        result[i] = code < 0 ? QChar(character)
                             : QChar(characterOf(static_cast<unsigned char>(code ^ ScrambleKey)));
    }
    return result;
}

void WaitHundredths(int n)
{
    Clock &clock = Clock::current();
    const qint64 until = clock.now() + qint64(n) * 10;
    for (qint64 now = clock.now(); now < until; now = clock.now()) {
        clock.runEventsFor(until - now);
        guard::unwindIfEnded();
    }
}

void processPendingEvents()
{
    QCoreApplication::processEvents();
    guard::unwindIfEnded();
}

QString upperCaseFormat(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar character = result[i];
        if (character.isHighSurrogate() && i + 1 < result.size() &&
            result[i + 1].isLowSurrogate()) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(character, result[i + 1]));
            if (QChar::requiresSurrogates(upper)) {
                result[i] = QChar(QChar::highSurrogate(upper));
                result[i + 1] = QChar(QChar::lowSurrogate(upper));
            }
            ++i;
        } else if (!character.isSurrogate()) {
            const char32_t upper = QChar::toUpper(char32_t(character.unicode()));
            if (!QChar::requiresSurrogates(upper))
                result[i] = QChar(char16_t(upper));
        }
    }
    return result;
}

} // namespace tolvan
