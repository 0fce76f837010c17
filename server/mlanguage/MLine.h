#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace tolvan {

// What a command line may reach beyond its local variables.
class MEnvironment {
public:
    virtual ~MEnvironment() = default;
    // The value of ^name(subscripts), or nothing when the node is undefined.
    // `subscripts` is the canonical subscript list, e.g. 0 or "A",1.
    virtual std::optional<QString> global(const QString &name, const QString &subscripts) = 0;
    // Runs the routine ^name; false when there is no such routine.
    virtual bool runRoutine(const QString &name) = 0;
};

// Runs one M command line of the small subset the server offers: SET, WRITE,
// DO ^routine and QUIT; string and number literals, local variables, globals,
// $PIECE, $GET and concatenation. Globals are read-only. The whole line is
// read before any of it runs, so a syntax error anywhere runs none of it.
// Returns what the line wrote; raises ServerError(MError) naming the M error
// and its position.
QString runMLine(const QString &line, QHash<QString, QString> &locals, MEnvironment &environment);

// M's canonical form of a number literal ("007" -> "7", "1.50" -> "1.5", "0.5" -> ".5").
QString canonicalNumber(const QString &literal);
bool isCanonicalNumber(const QString &value);
// A subscript as it is stored: canonical numbers bare, other texts quoted with "" for ".
QString encodeSubscript(const QString &value);

} // namespace tolvan
