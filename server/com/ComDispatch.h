#pragma once

#include "ComVariant.h"
#include "ServerObject.h"

#include <oaidl.h>

namespace tolvan::com {

// A call whose value is used, flagged as late-binding callers flag it: a
// server may have made the member a method or a property.
constexpr WORD ValueCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// One counted reference to a late-bound object, released when this goes.
class Dispatch {
public:
    // Takes over a reference the caller holds; nullptr is none.
    explicit Dispatch(IDispatch *object) : m_object(object) {}
    ~Dispatch();
    Dispatch(const Dispatch &) = delete;
    Dispatch &operator=(const Dispatch &) = delete;

    // Calls member `id` (DISPATCH_METHOD, DISPATCH_PROPERTYGET or ValueCall) with the
    // arguments in the caller's order; a reference argument gets what the
    // server wrote into it. A failure raises ServerError.
    void invoke(DISPID id, WORD kind, std::initializer_list<Arg> args, Variant &result);
    // The dispatch id of a member named at run time.
    DISPID idOf(const QString &name);

private:
    IDispatch *m_object;
};

// The result of a call that hands out an object; raises ServerError when the
// server handed out none.
IDispatch *takeObject(Variant &result);

} // namespace tolvan::com
