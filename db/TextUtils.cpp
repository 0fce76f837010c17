#include "TextUtils.h"

#include "Clock.h"
#include "Guard.h"
#include "RowFields.h"
#include "Windows1252.h"

#include <QCoreApplication>

namespace tolvan {
namespace {

// The password scrambling key, the same for storing and reading.
constexpr unsigned char ScrambleKey = 0x5A;

} // namespace

QString GetField(const QString &text, const QString &separator, int n, const QString &defaultValue)
{
    // A separator of more than one character never splits: the text is field 1.
    const QStringView field = separator.size() == 1 ? rowField(QStringView(text), separator.front(), n)
                              : n == 1              ? QStringView(text)
                                                    : QStringView();
    return field.isEmpty() ? defaultValue : field.toString();
}

QString XorText(const QString &text)
{
    QString result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t character = text[i].unicode();
        const int code = windows1252::code(character);
        result[i] =
            code < 0
                ? QChar(character)
                : QChar(windows1252::character(static_cast<unsigned char>(code ^ ScrambleKey)));
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
