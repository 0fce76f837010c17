#include "MNumber.h"
#include "MSyntax.h"

namespace tolvan::msyntax {
namespace {

// Every recursion of the parser passes through one counter; running the parsed
// line recurses no deeper than its parse did.
constexpr int MaxDepth = 64;

bool isLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
using mnumber::isDigit;

class Parser {
public:
    explicit Parser(const QString &line) : m_line(line) {}

    std::vector<Command> commands()
    {
        if (exceedsMaxString(m_line))
            fail("MAXSTRING", 0);
        std::vector<Command> result;
        skipSpaces();
        while (!atEnd() && peek() != u';') {
            result.push_back(command());
            if (atEnd())
                break;
            if (peek() != u' ')
                fail("SYNTAX");
            skipSpaces();
        }
        return result;
    }

private:
    // Counts one level of nesting for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(Parser &parser) : m_parser(parser)
        {
            if (++m_parser.m_depth > MaxDepth)
                m_parser.fail("STACK");
        }
        ~Nesting() { --m_parser.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        Parser &m_parser;
    };

    bool atEnd() const { return m_pos >= m_line.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_line[m_pos]; }
    void skipSpaces()
    {
        while (peek() == u' ')
            ++m_pos;
    }
    [[noreturn]] void fail(const char *code) const { throw Failure{code, m_pos}; }
    [[noreturn]] static void fail(const char *code, int position) { throw Failure{code, position}; }
    void expect(QChar c)
    {
        if (peek() != c)
            fail("SYNTAX");
        ++m_pos;
    }
    bool accept(QChar c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
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

    Command command()
    {
        const int start = m_pos;
        const QString word = letters().toUpper();
        if (word.isEmpty())
            fail("SYNTAX");
        Command command;
        if (word == u"S" || word == u"SET")
            command.kind = Command::Kind::Set;
        else if (word == u"W" || word == u"WRITE")
            command.kind = Command::Kind::Write;
        else if (word == u"D" || word == u"DO")
            command.kind = Command::Kind::Do;
        else if (word == u"Q" || word == u"QUIT")
            command.kind = Command::Kind::Quit;
        else
            fail("COMMAND", start);

        bool hasArguments = false;
        if (!atEnd()) {
            expect(u' ');
            hasArguments = !atEnd() && peek() != u' ';
        }
        if (command.kind == Command::Kind::Quit) {
            if (hasArguments)
                fail("COMMAND");
            return command;
        }
        if (!hasArguments)
            fail("SYNTAX");
        do {
            switch (command.kind) {
            case Command::Kind::Set:
                command.assignments.push_back(assignment());
                break;
            case Command::Kind::Write:
                command.outputs.push_back(output());
                break;
            case Command::Kind::Do:
                command.calls.push_back(routineCall());
                break;
            case Command::Kind::Quit:
                break;
            }
        } while (accept(u','));
        return command;
    }

    Assignment assignment()
    {
        Assignment result;
        result.target = reference();
        expect(u'=');
        result.value = expression();
        return result;
    }

    Output output()
    {
        Output result;
        result.position = m_pos;
        if (peek() == u'!') {
            while (accept(u'!'))
                ++result.lineBreaks;
        } else {
            result.value = expression();
        }
        return result;
    }

    RoutineCall routineCall()
    {
        RoutineCall call;
        call.position = m_pos;
        call.hasLabel = peek() != u'^';
        if (call.hasLabel)
            name();
        if (accept(u'^')) {
            call.routine = name();
            if (peek() == u'(')
                fail("SYNTAX");
        }
        return call;
    }

    ExpressionPtr expression()
    {
        const int start = m_pos;
        ExpressionPtr first = atom();
        if (peek() != u'_') {
            end();
            return first;
        }
        auto joined = std::make_unique<Expression>();
        joined->kind = Expression::Kind::Concatenate;
        joined->position = start;
        joined->operands.push_back(std::move(first));
        while (accept(u'_'))
            joined->operands.push_back(atom());
        end();
        return joined;
    }

    // What may follow an expression; any other operator is outside the subset.
    void end() const
    {
        const QChar c = peek();
        if (!(atEnd() || c == u',' || c == u')' || c == u' '))
            fail("SYNTAX");
    }

    ExpressionPtr atom()
    {
        const Nesting nesting(*this);
        const int start = m_pos;
        const QChar c = peek();
        if (c == u'"')
            return literal(stringLiteral(), start);
        if (isDigit(c) || (c == u'.' && m_pos + 1 < m_line.size() && isDigit(m_line[m_pos + 1])))
            return numberLiteral();
        if (accept(u'(')) {
            ExpressionPtr inner = expression();
            expect(u')');
            return inner;
        }
        if (c == u'$')
            return function();
        if (c == u'+' || c == u'-') {
            auto sign = std::make_unique<Expression>();
            sign->kind = Expression::Kind::Sign;
            sign->position = m_pos++;
            sign->sign = c;
            sign->operands.push_back(atom());
            return sign;
        }
        if (c == u'^' || c == u'%' || isLetter(c)) {
            auto variable = std::make_unique<Expression>();
            variable->kind = Expression::Kind::Variable;
            variable->position = m_pos;
            variable->reference = std::make_unique<Reference>(reference());
            return variable;
        }
        fail("SYNTAX");
    }

    static ExpressionPtr literal(QString text, int position)
    {
        auto result = std::make_unique<Expression>();
        result->text = std::move(text);
        result->position = position;
        return result;
    }

    QString stringLiteral()
    {
        const int start = m_pos++;
        QString value;
        for (;;) {
            if (atEnd())
                fail("SYNTAX", start);
            const QChar c = m_line[m_pos++];
            if (c == u'"' && !accept(u'"'))
                return value;
            value += c;
        }
    }

    ExpressionPtr numberLiteral()
    {
        const int start = m_pos;
        qsizetype end = m_pos;
        const std::optional<QString> value = mnumber::read(m_line, m_pos, &end);
        m_pos = int(end);
        if (!value)
            fail("MAXNUMBER");
        return literal(*value, start);
    }

    ExpressionPtr function()
    {
        const int start = m_pos++;
        const QString word = letters().toUpper();
        const bool isPiece = word == u"P" || word == u"PIECE";
        const bool isGet = word == u"G" || word == u"GET";
        if (!isPiece && !isGet)
            fail("FUNCTION", start);
        expect(u'(');
        auto call = std::make_unique<Expression>();
        call->position = start;
        if (isGet) {
            call->kind = Expression::Kind::Get;
            call->reference = std::make_unique<Reference>(reference());
            if (accept(u','))
                call->operands.push_back(expression());
        } else {
            call->kind = Expression::Kind::Piece;
            call->operands.push_back(expression());
            while (call->operands.size() < 4 && accept(u','))
                call->operands.push_back(expression());
            if (call->operands.size() < 2)
                fail("SYNTAX", start);
        }
        expect(u')');
        return call;
    }

    Reference reference()
    {
        Reference ref;
        ref.position = m_pos;
        ref.global = accept(u'^');
        ref.name = name();
        if (accept(u'(')) {
            do
                ref.subscripts.push_back(expression());
            while (accept(u','));
            expect(u')');
        }
        return ref;
    }

    const QString &m_line;
    int m_pos = 0;
    int m_depth = 0;
};

} // namespace

std::vector<Command> parse(const QString &line)
{
    return Parser(line).commands();
}

} // namespace tolvan::msyntax
