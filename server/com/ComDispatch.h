#pragma once

#include "ComVariant.h"
#include "ServerObject.h"

#include <oaidl.h>
#include <optional>
#include <vector>

namespace tolvan::com {

// A call whose value is used, flagged as late-binding callers flag it: a
// server may have made the member a method or a property.
constexpr WORD ValueCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// One counted reference to an object called through IDispatch, released when
// this goes.
class Dispatch {
public:
    // Takes over a reference the caller holds; nullptr is none.
    explicit Dispatch(IDispatch *object) : m_object(object) {}
    ~Dispatch();
    Dispatch(const Dispatch &) = delete;
    Dispatch &operator=(const Dispatch &) = delete;

    // Calls member `id` (DISPATCH_METHOD, DISPATCH_PROPERTYGET or ValueCall) with the
    // arguments in the caller's order; a reference argument gets what the
    // server wrote into it. Where the object's type information declares the
    // member's parameters, each argument goes as declared: a value converted
    // to the type, a reference as one to the type (a value passed so gets
    // nothing back). Otherwise late-bound: a reference to a text or variant
    // variable as VT_BSTR or VT_VARIANT by reference, a value as it is. A
    // failure raises ServerError.
    void invoke(DISPID id, WORD kind, std::initializer_list<Arg> args, Variant &result);
    // The dispatch id of a member named at run time.
    DISPID idOf(const QString &name);

private:
    // A member the type information declares: how each argument is passed
    // (its VARTYPE, VT_BYREF for a reference; VT_EMPTY: as the caller gives it).
    struct Member {
        MEMBERID id;
        INVOKEKIND kind;
        std::vector<VARTYPE> parameters;
    };
    static std::vector<Member> readMembers(IDispatch *object);
    const std::vector<VARTYPE> *declared(DISPID id, WORD kind);

    IDispatch *m_object;
    // Read at the first call; empty where the object describes nothing.
    std::optional<std::vector<Member>> m_members;
};

// The result of a call that hands out an object; raises ServerError when the
// server handed out none.
IDispatch *takeObject(Variant &result);

} // namespace tolvan::com
