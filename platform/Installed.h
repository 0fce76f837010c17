#pragma once

namespace tolvan {

// The one instance of a service the program talks to (message boxes, the
// settings store, the clock, …), installed by whoever owns it: the program's
// start (ServiceOwner.h) or a test with its fake. A service class derives
// from Installed<itself>; its users ask it through the service's own
// functions, which fall back to the system's where there is one.
template <typename Service> class Installed {
public:
    // Installs `service` (not owned); nullptr takes it back.
    static void install(Service *service) { s_installed = service; }
    // The installed service, or nullptr.
    static Service *installed() { return s_installed; }

private:
    static inline Service *s_installed = nullptr;
};

} // namespace tolvan
