#include "Guard.h"

#include "MessageBoxes.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <new>

namespace tolvan::guard {
namespace {

bool ended = false;
std::function<void(int)> ender = [](int status) { QCoreApplication::exit(status); };

// Numbers and texts as the runtime reports errors that carry no number of their own.
constexpr qint32 OutOfMemory = 7;
constexpr qint32 InternalError = 51;

void endWith(qint32 number, const QString &description)
{
    ended = true;
    const QString title = QCoreApplication::applicationName();
    showMessage(title, QStringLiteral("Laufzeitfehler '%1':\n\n%2").arg(number).arg(description),
                MessageIcon::Critical, MessageButtons::Ok);
    ender(1);
}

} // namespace

void run(const std::function<void()> &body)
{
    if (ended)
        return;
    try {
        body();
    } catch (const RuntimeError &error) {
        endWith(error.number(), error.description());
    } catch (const std::bad_alloc &) {
        endWith(OutOfMemory, QStringLiteral("Nicht genügend Speicher"));
    } catch (const std::exception &error) {
        endWith(InternalError,
                QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

bool hasEnded()
{
    return ended;
}

void setEnder(std::function<void(int)> newEnder)
{
    ender = std::move(newEnder);
    ended = false;
}

} // namespace tolvan::guard
