#include "MLine.h"

#include "ServerError.h"

#include <QRegularExpression>

namespace tolvan {
namespace {

constexpr int MaxString = 32767;
constexpr int MaxDepth = 64;

struct MFailure {
    const char *code;
    int position; // 0-based
};

struct Reference {
    bool global = false;
    QString name;
    QString subscripts;
    int position = 0;

    QString localKey() const
    {
        return subscripts.isEmpty() ? name : name + u'(' + subscripts + u')';
    }
};

bool isLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// M's numeric interpretation of a text, truncated to a whole number:
// leading signs and digits count, the rest is ignored ("2abc" is 2, "x" is 0).
qint64 wholeNumber(const QString &text)
{
    int i = 0;
    bool negative = false;
    while (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative ^= text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        value = std::min<qint64>(value * 10 + (text[i].unicode() - u'0'), 1'000'000'000);
    return negative ? -value : value;
}

// Longer numbers than M holds raise <MAXNUMBER>.
constexpr int MaxNumberDigits = 64;

// Digits with a decimal point moved by `exponent` places, in canonical form.
QString shifted(const QString &whole, const QString &fraction, int exponent)
{
    QString digits = whole + fraction;
    qsizetype point = whole.size() + exponent;
    if (point < 0) {
        digits.prepend(QString(-point, u'0'));
        point = 0;
    } else if (point > digits.size()) {
        digits.append(QString(point - digits.size(), u'0'));
    }
    return canonicalNumber(digits.left(point) + u'.' + digits.mid(point));
}

// M's numeric interpretation of a text: leading signs, digits, a fraction and
// an exponent count, the rest is ignored ("2abc" is 2, "-1E2x" is -100, "x" is 0).
// `numberEnd` receives where the number ended.
QString numericValue(const QString &text, int *numberEnd = nullptr)
{
    int i = 0;
    bool negative = false;
    while (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative ^= text[i] == u'-';
        ++i;
    }
    const int wholeStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    const QString whole = text.mid(wholeStart, i - wholeStart);
    QString fraction;
    if (i + 1 < text.size() && text[i] == u'.' && isDigit(text[i + 1])) {
        const int fractionStart = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        fraction = text.mid(fractionStart, i - fractionStart);
    }
    int exponent = 0;
    if (!(whole.isEmpty() && fraction.isEmpty()) && i < text.size() &&
        (text[i] == u'E' || text[i] == u'e')) {
        int j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            negativeExponent = text[j++] == u'-';
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                exponent = std::min(exponent * 10 + (text[j].unicode() - u'0'), 1000);
                ++j;
            }
            exponent = negativeExponent ? -exponent : exponent;
            i = j;
        }
    }
    if (numberEnd)
        *numberEnd = i;
    const QString value = shifted(whole, fraction, std::clamp(exponent, -400, 400));
    return negative && value != u"0" ? u'-' + value : value;
}

QString piece(const QString &text, const QString &delimiter, qint64 from, qint64 to)
{
    if (delimiter.isEmpty() || to < from || to < 1)
        return {};
    from = std::max<qint64>(from, 1);
    qsizetype start = 0;
    for (qint64 n = 1; n < from; ++n) {
        const qsizetype found = text.indexOf(delimiter, start);
        if (found < 0)
            return {};
        start = found + delimiter.size();
    }
    qsizetype end = start;
    for (qint64 n = from; n <= to; ++n) {
        const qsizetype found = text.indexOf(delimiter, end);
        if (found < 0)
            return text.mid(start);
        end = found + (n < to ? delimiter.size() : 0);
    }
    return text.mid(start, end - start);
}

class Interpreter {
public:
    Interpreter(const QString &line, QHash<QString, QString> &locals, MEnvironment &environment)
        : m_line(line), m_locals(locals), m_environment(environment)
    {
    }

    QString run()
    {
        if (m_line.size() > MaxString)
            fail("MAXSTRING", 0);
        skipSpaces();
        while (!atEnd() && peek() != u';') {
            if (!command())
                break;
            if (atEnd())
                break;
            if (peek() != u' ')
                fail("SYNTAX");
            skipSpaces();
        }
        return m_output;
    }

private:
    enum class Command { Set, Write, Do, Quit };

    bool atEnd() const { return m_pos >= m_line.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_line[m_pos]; }
    void skipSpaces()
    {
        while (peek() == u' ')
            ++m_pos;
    }
    [[noreturn]] void fail(const char *code) const { throw MFailure{code, m_pos}; }
    [[noreturn]] static void fail(const char *code, int position)
    {
        throw MFailure{code, position};
    }
    void expect(QChar c)
    {
        if (peek() != c)
            fail("SYNTAX");
        ++m_pos;
    }
    void checkLength(const QString &value, int position) const
    {
        if (value.size() > MaxString)
            fail("MAXSTRING", position);
    }

    QString letters()
    {
        const int start = m_pos;
        while (isLetter(peek()))
            ++m_pos;
        return m_line.mid(start, m_pos - start);
    }

    // A name: % or a letter first, then letters and digits.
    QString name()
    {
        const int start = m_pos;
        if (peek() != u'%' && !isLetter(peek()))
            fail("SYNTAX");
        ++m_pos;
        while (isLetter(peek()) || isDigit(peek()))
            ++m_pos;
        return m_line.mid(start, m_pos - start);
    }

    // Returns false when the line ends here (QUIT).
    bool command()
    {
        const int start = m_pos;
        const QString word = letters().toUpper();
        if (word.isEmpty())
            fail("SYNTAX");
        Command command;
        if (word == u"S" || word == u"SET")
            command = Command::Set;
        else if (word == u"W" || word == u"WRITE")
            command = Command::Write;
        else if (word == u"D" || word == u"DO")
            command = Command::Do;
        else if (word == u"Q" || word == u"QUIT")
            command = Command::Quit;
        else
            fail("COMMAND", start);

        bool hasArguments = false;
        if (!atEnd()) {
            if (peek() != u' ')
                fail("SYNTAX");
            ++m_pos;
            hasArguments = !atEnd() && peek() != u' ';
        }
        if (command == Command::Quit) {
            if (hasArguments)
                fail("COMMAND");
            return false;
        }
        if (!hasArguments)
            fail("SYNTAX");
        switch (command) {
        case Command::Set:
            set();
            break;
        case Command::Write:
            write();
            break;
        case Command::Do:
            doRoutines();
            break;
        case Command::Quit:
            break;
        }
        return true;
    }

    void set()
    {
        for (;;) {
            const Reference target = reference();
            expect(u'=');
            const QString value = expression();
            if (target.global)
                fail("PROTECT", target.position);
            m_locals.insert(target.localKey(), value);
            if (peek() != u',')
                return;
            ++m_pos;
        }
    }

    void write()
    {
        for (;;) {
            const int start = m_pos;
            if (peek() == u'!') {
                while (peek() == u'!') {
                    m_output += QStringLiteral("\r\n");
                    ++m_pos;
                }
            } else {
                m_output += expression();
            }
            checkLength(m_output, start);
            if (peek() != u',')
                return;
            ++m_pos;
        }
    }

    void doRoutines()
    {
        for (;;) {
            const int start = m_pos;
            const bool hasLabel = peek() != u'^';
            if (hasLabel)
                name();
            if (peek() != u'^')
                fail("NOLINE", start);
            ++m_pos;
            const QString routine = name();
            if (peek() == u'(')
                fail("SYNTAX");
            if (hasLabel || !m_environment.runRoutine(routine))
                fail(hasLabel ? "NOLINE" : "NOROUTINE", start);
            if (peek() != u',')
                return;
            ++m_pos;
        }
    }

    QString expression()
    {
        if (++m_depth > MaxDepth)
            fail("STACK");
        const int start = m_pos;
        QString value = atom();
        for (;;) {
            const QChar c = peek();
            if (c == u'_') {
                ++m_pos;
                value += atom();
                checkLength(value, start);
            } else if (atEnd() || c == u',' || c == u')' || c == u' ') {
                break;
            } else {
                fail("SYNTAX");
            }
        }
        --m_depth;
        return value;
    }

    QString atom()
    {
        const QChar c = peek();
        if (c == u'"')
            return stringLiteral();
        if (isDigit(c) || (c == u'.' && m_pos + 1 < m_line.size() && isDigit(m_line[m_pos + 1])))
            return numberLiteral();
        if (c == u'(') {
            ++m_pos;
            QString value = expression();
            expect(u')');
            return value;
        }
        if (c == u'$')
            return function();
        if (c == u'+' || c == u'-') { // unary: the operand's numeric value
            ++m_pos;
            const QString value = numericValue(atom());
            if (c == u'+' || value == u"0")
                return value;
            return value.startsWith(u'-') ? value.mid(1) : u'-' + value;
        }
        if (c == u'^' || c == u'%' || isLetter(c)) {
            const Reference ref = reference();
            if (std::optional<QString> value = valueOf(ref))
                return *value;
            fail("UNDEFINED", ref.position);
        }
        fail("SYNTAX");
    }

    QString stringLiteral()
    {
        const int start = m_pos++;
        QString value;
        for (;;) {
            if (atEnd())
                fail("SYNTAX", start);
            const QChar c = m_line[m_pos++];
            if (c == u'"') {
                if (peek() != u'"')
                    return value;
                ++m_pos;
            }
            value += c;
        }
    }

    // Digits, a fraction and an exponent ("1E3" is 1000, ".5E-1" is .05).
    QString numberLiteral()
    {
        int length = 0;
        const QString rest = m_line.mid(m_pos);
        const QString value = numericValue(rest, &length);
        m_pos += length;
        if (value.size() > MaxNumberDigits)
            fail("MAXNUMBER");
        return value;
    }

    QString function()
    {
        const int start = m_pos++;
        const QString word = letters().toUpper();
        const bool isPiece = word == u"P" || word == u"PIECE";
        const bool isGet = word == u"G" || word == u"GET";
        if (!isPiece && !isGet)
            fail("FUNCTION", start);
        expect(u'(');
        if (isGet) {
            const Reference ref = reference();
            QString fallback;
            if (peek() == u',') {
                ++m_pos;
                fallback = expression();
            }
            expect(u')');
            return valueOf(ref).value_or(fallback);
        }
        QStringList arguments{expression()};
        while (peek() == u',' && arguments.size() < 4) {
            ++m_pos;
            arguments << expression();
        }
        expect(u')');
        if (arguments.size() < 2)
            fail("SYNTAX", start);
        const qint64 from = arguments.size() > 2 ? wholeNumber(arguments[2]) : 1;
        const qint64 to = arguments.size() > 3 ? wholeNumber(arguments[3]) : from;
        return piece(arguments[0], arguments[1], from, to);
    }

    Reference reference()
    {
        Reference ref;
        ref.position = m_pos;
        if (peek() == u'^') {
            ref.global = true;
            ++m_pos;
        }
        ref.name = name();
        if (peek() == u'(') {
            ++m_pos;
            QStringList subscripts;
            for (;;) {
                const int start = m_pos;
                const QString value = expression();
                if (value.isEmpty())
                    fail("SUBSCRIPT", start);
                subscripts << encodeSubscript(value);
                if (peek() != u',')
                    break;
                ++m_pos;
            }
            expect(u')');
            ref.subscripts = subscripts.join(u',');
        }
        return ref;
    }

    std::optional<QString> valueOf(const Reference &ref)
    {
        if (ref.global)
            return m_environment.global(ref.name, ref.subscripts);
        const auto found = m_locals.constFind(ref.localKey());
        if (found == m_locals.cend())
            return std::nullopt;
        return *found;
    }

    const QString &m_line;
    QHash<QString, QString> &m_locals;
    MEnvironment &m_environment;
    QString m_output;
    int m_pos = 0;
    int m_depth = 0;
};

} // namespace

QString canonicalNumber(const QString &literal)
{
    const qsizetype point = literal.indexOf(u'.');
    QString whole = point < 0 ? literal : literal.left(point);
    QString fraction = point < 0 ? QString() : literal.mid(point + 1);
    while (whole.startsWith(u'0'))
        whole.remove(0, 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (fraction.isEmpty())
        return whole.isEmpty() ? QStringLiteral("0") : whole;
    return whole + u'.' + fraction;
}

bool isCanonicalNumber(const QString &value)
{
    static const QRegularExpression canonical(
        QStringLiteral("^(0|-?([1-9][0-9]*(\\.[0-9]*[1-9])?|\\.[0-9]*[1-9]))$"));
    return canonical.match(value).hasMatch();
}

QString encodeSubscript(const QString &value)
{
    if (isCanonicalNumber(value))
        return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString runMLine(const QString &line, QHash<QString, QString> &locals, MEnvironment &environment)
{
    try {
        return Interpreter(line, locals, environment).run();
    } catch (const MFailure &failure) {
        throw ServerError(ServerError::MError, QStringLiteral("<%1> an Position %2: %3")
                                                   .arg(QString::fromLatin1(failure.code))
                                                   .arg(failure.position + 1)
                                                   .arg(line.left(80)));
    }
}

} // namespace tolvan
