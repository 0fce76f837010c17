#pragma once

namespace tolvan {

// Logs the user in: gathers the login data, connects, checks the password and
// the active flag on the user's record, copies the user's data into the
// session and tells the connection who works on it. True when logged in; a
// refused login or a failed server step is reported before it returns false.
bool CacheLogin();

} // namespace tolvan
