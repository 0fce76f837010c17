#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace tolvan::msyntax {

// The longest text a line may be or a value may grow to (<MAXSTRING>).
inline constexpr int MaxString = 32767;

// Whether the text holds more than MaxString characters; a character outside
// the Basic Multilingual Plane (two UTF-16 units) counts once.
inline bool exceedsMaxString(QStringView text)
{
    if (text.size() <= MaxString)
        return false;
    qsizetype characters = text.size();
    for (const QChar unit : text)
        characters -= unit.isLowSurrogate() ? 1 : 0;
    return characters > MaxString;
}

// An M error where it arose: the code without brackets and the 0-based position.
struct Failure {
    const char *code;
    int position;
};

struct Expression;
using ExpressionPtr = std::unique_ptr<Expression>;

// A local or global variable with its subscripts.
struct Reference {
    bool global = false;
    QString name;
    std::vector<ExpressionPtr> subscripts;
    int position = 0;
};

struct Expression {
    enum class Kind {
        Literal,     // `text`
        Variable,    // `reference`
        Sign,        // `sign` applied to operands[0]
        Concatenate, // operands joined by _
        Piece,       // $PIECE(operands...)
        Get,         // $GET(reference[, operands[0]])
    };
    Kind kind = Kind::Literal;
    int position = 0;
    QString text;
    QChar sign;
    std::unique_ptr<Reference> reference;
    std::vector<ExpressionPtr> operands;
};

struct Assignment {
    Reference target;
    ExpressionPtr value;
};

// One argument of WRITE: line breaks (!) or an expression.
struct Output {
    int lineBreaks = 0;
    ExpressionPtr value;
    int position = 0;
};

struct RoutineCall {
    QString routine;
    bool hasLabel = false;
    int position = 0;
};

struct Command {
    enum class Kind { Set, Write, Do, Quit };
    Kind kind = Kind::Quit;
    std::vector<Assignment> assignments;
    std::vector<Output> outputs;
    std::vector<RoutineCall> calls;
};

// Reads a whole command line into its commands; raises Failure on the first
// syntax error, before anything has run. Nesting deeper than the parser's one
// depth limit is <STACK>.
std::vector<Command> parse(const QString &line);

} // namespace tolvan::msyntax
