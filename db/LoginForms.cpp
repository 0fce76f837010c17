#include "LoginForms.h"

#include <QtGlobal>

namespace tolvan {
namespace {
LoginForms *installed = nullptr;
} // namespace

void LoginForms::install(LoginForms *forms)
{
    installed = forms;
}

LoginForms &LoginForms::current()
{
    Q_ASSERT_X(installed, "LoginForms", "no login forms installed");
    return *installed;
}

} // namespace tolvan
