#include "IniFormat.h"

#include <QIODevice>

namespace tolvan {
namespace {

const QString EscapedStart = QStringLiteral("@Text(");

// What the reader trims from either end of a value: every kind of space.
bool isBlank(QChar c)
{
    return c.isSpace();
}

QString unescaped(QStringView text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const QChar next = text[++i];
        if (next == u'n')
            result += u'\n';
        else if (next == u'r')
            result += u'\r';
        else if (next == u't')
            result += u'\t';
        else if (next == u'x' && i + 4 < text.size()) {
            result += QChar(text.mid(i + 1, 4).toUShort(nullptr, 16));
            i += 4;
        } else
            result += next;
    }
    return result;
}

QString escaped(const QString &text)
{
    QString result = EscapedStart;
    for (const QChar c : text) {
        if (c == u'\\' || c == u')')
            result += u'\\' + QString(c);
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else if (c == u'\t')
            result += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            result += c;
    }
    return result + u')';
}

// Whether the value reads back as itself when written as it is.
bool readsBackPlain(const QString &value)
{
    if (value.isEmpty())
        return true;
    if (isBlank(value.front()) || isBlank(value.back()) || value.startsWith(EscapedStart))
        return false;
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

QString valueOf(QStringView text)
{
    if (text.startsWith(EscapedStart) && text.endsWith(u')'))
        return unescaped(text.mid(EscapedStart.size(), text.size() - EscapedStart.size() - 1));
    return text.toString();
}

bool readIni(QIODevice &device, QSettings::SettingsMap &map)
{
    QString section;
    // (fromUtf8 drops the byte order mark that Notepad writes at the start)
    const QString all = QString::fromUtf8(device.readAll());
    for (QStringView line : QStringView(all).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toString();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        const QString name =
            section.isEmpty() || section == QLatin1String("General") ? key : section + u'/' + key;
        map.insert(name, valueOf(line.mid(equals + 1).trimmed()));
    }
    return true;
}

bool writeIni(QIODevice &device, const QSettings::SettingsMap &map)
{
    QString text;
    QString section = QStringLiteral("\n"); // no section yet
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const qsizetype slash = entry.key().lastIndexOf(u'/');
        const QString entrySection =
            slash < 0 ? QStringLiteral("General") : entry.key().left(slash);
        if (entrySection != section) {
            if (!text.isEmpty())
                text += u'\n';
            text += u'[' + entrySection + QStringLiteral("]\n");
            section = entrySection;
        }
        const QString value = entry.value().toString();
        text += entry.key().mid(slash + 1) + u'=' +
                (readsBackPlain(value) ? value : escaped(value)) + u'\n';
    }
    return device.write(text.toUtf8()) >= 0;
}

} // namespace

QSettings::Format iniFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), readIni, writeIni);
    return format;
}

} // namespace tolvan
