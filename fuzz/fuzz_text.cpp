// The text utilities and the reading of stored window placements: any text,
// with the properties each promises.

#include "TextUtils.h"
#include "WindowPlacement.h"
#include "Windows1252.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

using namespace tolvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the field number; then the text, as UTF-16 so that every
    // code unit (lone surrogates too) occurs.
    const int field = int(int8_t(data[0]));
    const QString text(reinterpret_cast<const QChar *>(data + 1), qsizetype((size - 1) / 2));

    const QString scrambled = XorText(text);
    if (scrambled.size() != text.size() || XorText(scrambled) != text)
        std::abort();
    if (upperCaseFormat(text).size() != text.size())
        std::abort();
    for (const char *separator : {"|", " ", "\n", "["}) {
        const QString value =
            GetField(text, QString::fromLatin1(separator), field, QStringLiteral("d"));
        if (value != u"d" && (value.isEmpty() || value.contains(QLatin1String(separator))))
            std::abort();
    }
    QByteArray bytes;
    windows1252::append(bytes, text);
    if (bytes.size() > text.size())
        std::abort();
    leadingNumber(text);
    return 0;
}
