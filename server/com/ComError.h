#pragma once

#include <oaidl.h>

namespace tolvan::com {

// A failing HRESULT as the ServerError every engine raises: its number and the
// system's text for it.
[[noreturn]] void raise(HRESULT result);
// What a failed Invoke reports. An exception the server raised gives its own
// number (scode, else wCode) and description; the texts in `exception` are
// freed either way.
[[noreturn]] void raiseInvokeFailure(HRESULT result, EXCEPINFO &exception);

inline void check(HRESULT result)
{
    if (FAILED(result))
        raise(result);
}

} // namespace tolvan::com
