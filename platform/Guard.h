#pragma once

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

// True once an uncaught error has ended the program; later handlers do nothing.
bool hasEnded();
// How the program ends after the message; by default the event loop is left with
// the status. Tests put a recorder here. Also resets hasEnded().
void setEnder(std::function<void(int status)> ender);

} // namespace guard
} // namespace tolvan
