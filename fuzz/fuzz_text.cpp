// The text utilities and the reading of stored window placements: any text,
// with the properties each promises. The same bytes as UTF-8 rows: the list
// and the export read them as they would read the row's text.

#include "ExportFile.h"
#include "RowTexts.h"
#include "TextUtils.h"
#include "WindowPlacement.h"
#include "Windows1252.h"

#include <QBuffer>
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

    const QByteArrayView utf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // One list for many inputs: each new one allocates a block of megabytes.
    static RowTexts rows;
    if (rows.size() == 10000)
        rows.clear();
    rows.appendUtf8(utf8);
    if (rows.at(rows.size() - 1) != QString::fromUtf8(utf8))
        std::abort();
    QBuffer fromText, fromUtf8;
    fromText.open(QIODevice::WriteOnly);
    fromUtf8.open(QIODevice::WriteOnly);
    ExportLines textLines(fromText, QStringLiteral("L"), QString());
    textLines.add(QString::fromUtf8(utf8));
    textLines.finish();
    ExportLines utf8Lines(fromUtf8, QStringLiteral("L"), QString());
    utf8Lines.addUtf8(utf8);
    utf8Lines.finish();
    if (fromText.data() != fromUtf8.data())
        std::abort();
    return 0;
}
