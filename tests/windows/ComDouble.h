#pragma once

#include <QString>
#include <QStringList>
#include <windows.h>

// A stand-in for the object server's ActiveX factory: the component's own
// factory on the embedded database, offered as a late-bound class with the
// object server's dispatch ids and member names. Registered for this process
// only, under its own CLSID and a test ProgID, never the real one.
namespace comdouble {

// How the double reports an error of the component.
enum class Report {
    Scode,         // EXCEPINFO.scode = the number
    WCode,         // scode 0, wCode = the number
    Deferred,      // only pfnDeferredFillIn fills scode and the description
    FacilityScode, // scode = an HRESULT of FACILITY_ITF around the number (negative)
    NoText,        // scode = the number, no description
};

struct Faults {
    bool creationFails = false;
    bool connectRefused = false;  // connect answers false
    QString connectStringWritten; // what connect writes into its argument, when not empty
    Report report = Report::Scode;
    HRESULT failure = S_OK; // what server objects answer to every call instead, when it fails
    int failingConnectedReads = 0; // the next ones fail as with a dropped server
};

// What the double has been asked for, and its objects still alive with the
// references held to them, over all its classes.
struct State {
    Faults faults;
    QStringList calls;
    long objects = 0;
    long references = 0;
};
State &state();

// Registers the class object while it lives (joining the thread to a
// single-threaded apartment first).
class Registration {
public:
    Registration();
    ~Registration();
    Registration(const Registration &) = delete;
    Registration &operator=(const Registration &) = delete;

    bool isRegistered() const { return m_cookie != 0; }
    // Maps ProgId to the double's CLSID under HKEY_CLASSES_ROOT: writable in a
    // wine prefix, on Windows only for an administrator. False when not written;
    // the entry goes with this object.
    bool registerProgId();

    static QString clsid();
    static constexpr wchar_t ProgId[] = L"Tolvan.FactoryDouble";

private:
    DWORD m_cookie = 0;
    bool m_progIdWritten = false;
};

} // namespace comdouble
