#include "ComError.h"

#include "ComVariant.h"
#include "ServerError.h"

namespace tolvan::com {

void raise(HRESULT result)
{
    throw ServerError(static_cast<qint32>(result), qt_error_string(static_cast<int>(result)));
}

void raiseInvokeFailure(HRESULT result, EXCEPINFO &exception)
{
    if (result != DISP_E_EXCEPTION)
        raise(result);
    // A server may leave the texts to be filled in only when someone asks.
    if (exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    const qint32 number = exception.scode != 0 ? static_cast<qint32>(exception.scode)
                                               : static_cast<qint32>(exception.wCode);
    // The number alone would leave an empty line in the error report; the
    // system's text for a server's own number would mislead.
    QString description = fromBstr(exception.bstrDescription);
    if (description.isEmpty())
        description = QStringLiteral("Der Objektserver meldet den Fehler ohne Beschreibung.");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    throw ServerError(number, description);
}

} // namespace tolvan::com
