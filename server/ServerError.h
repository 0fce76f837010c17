#pragma once

#include "RuntimeError.h"

namespace tolvan {

// The one error every server call raises: a 32-bit number and a description
// in German, as the user sees it in the error report.
class ServerError : public RuntimeError {
public:
    enum Number : qint32 {
        NotConnected = 1001,
        UnknownClass = 1002,
        UnknownProperty = 1003,
        UnknownMethod = 1004,
        UnknownQuery = 1005,
        ObjectNotFound = 1006,
        ObjectClosed = 1007,
        InvalidArgument = 1008,
        DatabaseFailure = 1009,
        MError = 1010,
        InvalidOperation = 1011,
    };

    using RuntimeError::RuntimeError;
};

} // namespace tolvan
