#include "MLine.h"

#include "MNumber.h"
#include "MSyntax.h"
#include "ServerError.h"

#include <QRegularExpression>

namespace tolvan {
namespace {

using namespace msyntax;

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

// Runs a parsed line, command by command; a runtime error keeps what the
// commands before it did, as in M.
class Runner {
public:
    Runner(QHash<QString, QString> &locals, MEnvironment &environment)
        : m_locals(locals), m_environment(environment)
    {
    }

    QString run(const std::vector<Command> &commands)
    {
        for (const Command &command : commands) {
            switch (command.kind) {
            case Command::Kind::Set:
                for (const Assignment &assignment : command.assignments)
                    set(assignment);
                break;
            case Command::Kind::Write:
                for (const Output &output : command.outputs)
                    write(output);
                break;
            case Command::Kind::Do:
                for (const RoutineCall &call : command.calls)
                    runRoutine(call);
                break;
            case Command::Kind::Quit:
                return m_output;
            }
        }
        return m_output;
    }

private:
    [[noreturn]] static void fail(const char *code, int position) { throw Failure{code, position}; }
    static void checkLength(const QString &value, int position)
    {
        if (exceedsMaxString(value))
            fail("MAXSTRING", position);
    }

    void set(const Assignment &assignment)
    {
        const QString key = localKey(assignment.target);
        const QString value = evaluate(*assignment.value);
        if (assignment.target.global)
            fail("PROTECT", assignment.target.position);
        m_locals.insert(key, value);
    }

    void write(const Output &output)
    {
        if (output.value)
            m_output += evaluate(*output.value);
        for (int i = 0; i < output.lineBreaks; ++i)
            m_output += QStringLiteral("\r\n");
        checkLength(m_output, output.position);
    }

    void runRoutine(const RoutineCall &call)
    {
        if (call.hasLabel || call.routine.isEmpty())
            fail("NOLINE", call.position);
        if (!m_environment.runRoutine(call.routine))
            fail("NOROUTINE", call.position);
    }

    // The numeric value of a text, as a sign or a piece position reads it.
    static QString number(const QString &text, int position)
    {
        std::optional<QString> value = mnumber::valueOf(text);
        if (!value)
            fail("MAXNUMBER", position);
        return *value;
    }

    QString evaluate(const Expression &expression)
    {
        switch (expression.kind) {
        case Expression::Kind::Literal:
            return expression.text;
        case Expression::Kind::Variable:
            if (std::optional<QString> value = valueOf(*expression.reference))
                return *value;
            fail("UNDEFINED", expression.reference->position);
        case Expression::Kind::Sign: {
            const QString value =
                number(evaluate(*expression.operands.front()), expression.position);
            return expression.sign == u'-' ? mnumber::negated(value) : value;
        }
        case Expression::Kind::Concatenate: {
            QString value;
            for (const ExpressionPtr &operand : expression.operands) {
                value += evaluate(*operand);
                checkLength(value, expression.position);
            }
            return value;
        }
        case Expression::Kind::Piece:
            return pieceOf(expression);
        case Expression::Kind::Get: {
            // Both arguments are evaluated, as M does: an undefined default
            // is an error also when the variable has a value.
            const std::optional<QString> value = valueOf(*expression.reference);
            const QString otherwise =
                expression.operands.empty() ? QString() : evaluate(*expression.operands.front());
            return value.value_or(otherwise);
        }
        }
        Q_UNREACHABLE();
    }

    QString pieceOf(const Expression &call)
    {
        QStringList arguments;
        for (const ExpressionPtr &operand : call.operands)
            arguments << evaluate(*operand);
        const auto position = [&](int index, qint64 otherwise) {
            if (index >= arguments.size())
                return otherwise;
            return mnumber::whole(number(arguments[index], call.operands[index]->position));
        };
        const qint64 from = position(2, 1);
        return piece(arguments[0], arguments[1], from, position(3, from));
    }

    // The canonical subscript list, e.g. 0 or "A",1; empty without subscripts.
    QString subscripts(const Reference &ref)
    {
        QStringList encoded;
        for (const ExpressionPtr &subscript : ref.subscripts) {
            const QString value = evaluate(*subscript);
            if (value.isEmpty())
                fail("SUBSCRIPT", subscript->position);
            encoded << encodeSubscript(value);
        }
        return encoded.join(u',');
    }

    QString localKey(const Reference &ref)
    {
        return ref.subscripts.empty() ? ref.name : ref.name + u'(' + subscripts(ref) + u')';
    }

    std::optional<QString> valueOf(const Reference &ref)
    {
        if (ref.global)
            return m_environment.global(ref.name, subscripts(ref));
        const auto found = m_locals.constFind(localKey(ref));
        if (found == m_locals.cend())
            return std::nullopt;
        return *found;
    }

    QHash<QString, QString> &m_locals;
    MEnvironment &m_environment;
    QString m_output;
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
    static const QRegularExpression canonical(QRegularExpression::anchoredPattern(
        QStringLiteral("0|-?([1-9][0-9]*(\\.[0-9]*[1-9])?|\\.[0-9]*[1-9])")));
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
        return Runner(locals, environment).run(parse(line));
    } catch (const Failure &failure) {
        throw ServerError(ServerError::MError, QStringLiteral("<%1> an Position %2: %3")
                                                   .arg(QString::fromLatin1(failure.code))
                                                   .arg(failure.position + 1)
                                                   .arg(line.left(80)));
    }
}

} // namespace tolvan
