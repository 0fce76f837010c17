#include "Guard.h"

#include "MessageBoxes.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <new>

namespace tolvan::guard {
namespace {

// Thrown by end() to leave every handler on the stack; only run() catches it.
struct ProgramEnding {};

bool ended = false;
int status = 0;
std::function<void(int)> ender = [](int code) { QCoreApplication::exit(code); };

// Numbers and texts as the runtime reports errors that carry no number of their own.
constexpr qint32 OutOfMemory = 7;
constexpr qint32 InternalError = 51;

void finish(int code)
{
    if (ended)
        return;
    ended = true;
    status = code;
    ender(code);
}

void endWith(qint32 number, const QString &description, int code = 1)
{
    if (ended)
        return;
    const QString title = QCoreApplication::applicationName();
    try {
        showMessage(title,
                    QStringLiteral("Laufzeitfehler '%1':\n\n%2").arg(number).arg(description),
                    MessageIcon::Critical, MessageButtons::Ok);
    } catch (const ProgramEnding &) {
        return; // another handler ended the program while the message was open
    }
    finish(code);
}

} // namespace

void run(const std::function<void()> &body)
{
    if (ended)
        return;
    try {
        body();
    } catch (const ProgramEnding &) {
        // the status is set; the handlers between end() and here are left
    } catch (const RuntimeError &error) {
        endWith(error.number(), error.description());
    } catch (const std::bad_alloc &) {
        endWith(OutOfMemory, QStringLiteral("Nicht genügend Speicher"));
    } catch (const std::exception &error) {
        endWith(InternalError,
                QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        endWith(InternalError, QStringLiteral("Interner Fehler"));
    }
}

void fail(const RuntimeError &error, int code)
{
    endWith(error.number(), error.description(), code);
    throw ProgramEnding{};
}

void end(int code)
{
    finish(code);
    throw ProgramEnding{};
}

void unwindIfEnded()
{
    if (ended)
        throw ProgramEnding{};
}

bool hasEnded()
{
    return ended;
}

int exitStatus()
{
    return status;
}

void setEnder(std::function<void(int)> newEnder)
{
    ender = std::move(newEnder);
    ended = false;
    status = 0;
}

} // namespace tolvan::guard
