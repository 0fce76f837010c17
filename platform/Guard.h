#pragma once

#include "RuntimeError.h"

#include <QString>
#include <functional>
#include <utility>

namespace tolvan {

// The one place where errors that no handler caught end the program: a message
// with the error's number and description, then the end with status 1. Every
// handler body runs inside it, so no exception crosses Qt's event loop.
namespace guard {

// Runs a handler body; an error escaping it is reported and ends the program.
void run(const std::function<void()> &body);

// Wraps a handler for connect(): guard::wrap([this] { BUAkt_Click(); }).
template <typename Body> auto wrap(Body body)
{
    return [body = std::move(body)](auto &&...) { run(body); };
}

// Ends the program at once with the status: the handler and every handler it
// was called from are left (the guard around them catches that), and no
// handler runs afterwards.
[[noreturn]] void end(int status);
// Reports the error as run() does, then ends as end() does, with the status.
[[noreturn]] void fail(const RuntimeError &error, int status);
// Called after a nested event loop or a wait returns: when a handler run in it
// ended the program, the caller is left as by end().
void unwindIfEnded();

// True once the program is ending; later handlers do nothing.
bool hasEnded();
// The status the program ends with.
int exitStatus();
// How the program ends; by default every event loop is left with the status.
// Tests put a recorder here. Also resets hasEnded().
void setEnder(std::function<void(int status)> ender);

} // namespace guard
} // namespace tolvan
