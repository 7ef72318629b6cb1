// The dispatch side of a renderer control whose options are plain integer
// or boolean properties: one table row per property (dispatch id, name,
// type), name lookup without regard to ASCII case as OLE does, and property
// get/put through Invoke. Values are held by the control as integers.
#pragma once

#include <functional>
#include <span>

#include "contract/Ole.h"

namespace voxmill {

class CDispatchProperties {
public:
    struct Property {
        DISPID id;
        const char* name;
        VARTYPE type;  // VT_BOOL, VT_I2 or VT_I4
    };

    explicit CDispatchProperties(std::span<const Property> table) : m_table(table) {}

    const Property* Find(DISPID id) const;

    HRESULT GetIDsOfNames(const OLECHAR** names, UINT count, DISPID* ids) const;

    // A property get stores the value from `get` in the property's type; a
    // put hands the argument, coerced to an integer, to `put`, which
    // validates it.
    HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, const std::function<LONG(DISPID)>& get,
                   const std::function<HRESULT(DISPID, LONG)>& put) const;

private:
    std::span<const Property> m_table;
};

}  // namespace voxmill
