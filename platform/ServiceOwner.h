#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace tolvan {

// Owns the program's services for as long as it lives and keeps them
// installed (Installed.h): the program's start gives it the real ones
// (installProgramServices, then what the windows add), a test its own. At its
// end each service is taken back and destroyed, the last installed first.
class ServiceOwner {
public:
    ServiceOwner() = default;
    ServiceOwner(const ServiceOwner &) = delete;
    ServiceOwner &operator=(const ServiceOwner &) = delete;
    ~ServiceOwner()
    {
        for (auto end = m_ends.rbegin(); end != m_ends.rend(); ++end)
            (*end)();
    }

    // Installs `service` as the Service (its interface) and keeps it.
    template <typename Service, typename Implementation>
    Implementation &own(std::unique_ptr<Implementation> service)
    {
        Implementation &kept = *service;
        Service::install(&kept);
        m_ends.push_back([owned = std::shared_ptr<Implementation>(std::move(service))]() mutable {
            Service::install(nullptr);
            owned.reset();
        });
        return kept;
    }

    // Installs a service that somebody else keeps, until this owner ends.
    template <typename Service> void use(Service &service)
    {
        Service::install(&service);
        m_ends.push_back([] { Service::install(nullptr); });
    }

private:
    std::vector<std::function<void()>> m_ends;
};

// The services every run of the program has, with or without windows: the
// user's settings store (the registry on Windows, INI files elsewhere). The
// clock, the programs it starts and the registry are the system's unless a
// test installs others.
void installProgramServices(ServiceOwner &owner);

} // namespace tolvan
