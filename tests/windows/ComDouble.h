#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

// A stand-in for the object server's ActiveX factory: the component's own
// factory on the embedded database, offered with the object server's dispatch
// ids and member names. Registered under CLSIDs of its own and a test ProgID,
// never the real one, in four faces: late-bound (no type information) or typed
// (its members' parameter types declared, the standard dispatcher calling it),
// each in this process or in a local server (ComLocalServer.exe), whose values
// cross a process boundary through COM's marshaling.
namespace comdouble {

enum class Face { LateBound, Typed, LocalLateBound, LocalTyped };
constexpr Face Faces[] = {Face::LateBound, Face::Typed, Face::LocalLateBound, Face::LocalTyped};
const char *name(Face face);

// How the double reports an error of the component.
enum class Report {
    Scode,         // EXCEPINFO.scode = the number
    WCode,         // scode 0, wCode = the number
    Deferred,      // only pfnDeferredFillIn fills scode and the description
    FacilityScode, // scode = an HRESULT of FACILITY_ITF around the number (negative)
    NoText,        // scode = the number, no description
};

// What "liste" of DRAVONIK.Lager answers instead of the component's key, a
// value of the server that no Qt type holds as it is. The result set's Execute
// then fails unless it gets exactly that back (the same type and value, the
// same object), and runs the list with the component's key.
enum class ListKey { Component, Short, Date, VariantArray, Object };
const char *name(ListKey key);

// A text in fixed room: the state lives in memory shared with the local server.
template <int Size> struct FixedText {
    wchar_t text[Size] = {};

    FixedText &operator=(const QString &value)
    {
        text[value.left(Size - 1).toWCharArray(text)] = 0;
        return *this;
    }
    QString toString() const { return QString::fromWCharArray(text); }
    bool isEmpty() const { return text[0] == 0; }
    void clear() { text[0] = 0; }
};

struct Faults {
    bool creationFails = false;
    bool connectRefused = false;         // connect answers false
    FixedText<128> connectStringWritten; // what connect writes into its argument, when not empty
    Report report = Report::Scode;
    HRESULT failure = S_OK; // what server objects answer to every call instead, when it fails
    int failingConnectedReads = 0; // the next ones fail as with a dropped server
    ListKey listKey = ListKey::Component;
    bool typeInfoRefused = false; // the late-bound face counts type information it then refuses
};

// What the double has been asked for, and its objects still alive with the
// references held to them, over all its classes (in the local server: the
// references of COM's stubs among them). Shared with the local server.
struct State {
    Faults faults;
    long objects = 0;
    long references = 0;
    DWORD localServer = 0; // the process id of the running local server

    QStringList calls() const;
    void record(const QString &call);
    void clearCalls() { m_calls.clear(); }

private:
    FixedText<16384> m_calls; // one a line; what does not fit is not recorded
};
State &state();

// Registers the class objects of the faces in this process while it lives
// (joining the thread to a single-threaded apartment first); at its end, the
// registry entries it wrote go and a running local server ends.
class Registration {
public:
    Registration();
    ~Registration();
    Registration(const Registration &) = delete;
    Registration &operator=(const Registration &) = delete;

    bool isRegistered() const { return m_cookies[0] != 0 && m_cookies[1] != 0; }
    // Maps ProgId to the late-bound face's CLSID under HKEY_CLASSES_ROOT:
    // writable in a wine prefix, on Windows only for an administrator. False
    // when not written.
    bool registerProgId();
    // Registers `program` as the local server of the local faces, serving the
    // embedded database `database`, for the current user (and where wine
    // reads it, under HKEY_CLASSES_ROOT). False when not written.
    bool registerLocalServer(const QString &program, const QString &database);

    static QString clsid(Face face = Face::LateBound);
    static constexpr wchar_t ProgId[] = L"Tolvan.FactoryDouble";

private:
    DWORD m_cookies[2] = {};
    HANDLE m_end; // set at the end: the local server's signal to end
    std::vector<std::pair<HKEY, std::wstring>> m_written; // the registry keys to remove
};

// The local server's work: registers the local faces' class objects and serves
// them until the Registration of the process `client` ends. Returns the exit
// status.
int serveLocally(DWORD client, const QString &database);

} // namespace comdouble
