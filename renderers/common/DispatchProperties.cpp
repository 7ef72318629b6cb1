#include "renderers/common/DispatchProperties.h"

#include <string_view>

namespace voxmill {
namespace {

inline constexpr DISPID kDispidUnknown = -1;

bool SameName(const OLECHAR* name, std::string_view ascii) {
    std::size_t n = 0;
    for (; name[n] != 0; ++n) {
        if (n >= ascii.size()) return false;
        auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(name[n]) != lower(static_cast<unsigned char>(ascii[n]))) return false;
    }
    return n == ascii.size();
}

bool IntegerOf(const VARIANT& value, LONG* out) {
    switch (value.vt) {
        case VT_I2: *out = value.iVal; return true;
        case VT_I4: *out = value.lVal; return true;
        case VT_BOOL: *out = value.boolVal; return true;
        default: return false;
    }
}

}  // namespace

const CDispatchProperties::Property* CDispatchProperties::Find(DISPID id) const {
    for (const Property& p : m_table)
        if (p.id == id) return &p;
    return nullptr;
}

HRESULT CDispatchProperties::GetIDsOfNames(const OLECHAR** names, UINT count, DISPID* ids) const {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    // Only the member name can be known: the properties take no named arguments.
    for (UINT n = 0; n < count; ++n) ids[n] = kDispidUnknown;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    for (const Property& p : m_table)
        if (SameName(names[0], p.name)) ids[0] = p.id;
    return ids[0] != kDispidUnknown && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT CDispatchProperties::Invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    const std::function<LONG(DISPID)>& get,
                                    const std::function<HRESULT(DISPID, LONG)>& put) const {
    const Property* property = Find(id);
    if (!property) return DISP_E_MEMBERNOTFOUND;
    if (flags & DISPATCH_PROPERTYPUT) {
        if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (!params->rgvarg) return E_POINTER;
        LONG value = 0;
        if (!IntegerOf(params->rgvarg[0], &value)) return DISP_E_TYPEMISMATCH;
        return put(id, value);
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return E_POINTER;
        const LONG value = get(id);
        result->vt = property->type;
        if (property->type == VT_BOOL) result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        else if (property->type == VT_I2) result->iVal = static_cast<SHORT>(value);
        else result->lVal = value;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace voxmill
