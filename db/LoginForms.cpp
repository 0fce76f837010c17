#include "LoginForms.h"

#include <QtGlobal>

namespace tolvan {

LoginForms &LoginForms::current()
{
    Q_ASSERT_X(installed(), "LoginForms", "no login forms installed");
    return *installed();
}

} // namespace tolvan
