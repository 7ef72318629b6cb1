// The subset of OLE that hosts a renderer control: class factories, the
// control object with its client site and advise sink, scratch storage,
// property pages and dispatch properties. Slot orders follow COM; argument
// types are narrowed to what Voxmill passes. Window handles are the Qt
// parent widget passed as void*.
#pragma once

#include <cstdlib>

#include "contract/Com.h"

namespace voxmill {

using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;

// Memory that crosses the boundary (user type names, page lists) comes from
// the task allocator: the C heap, shared by host and plug-ins.
inline void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }
inline void CoTaskMemFree(void* p) { std::free(p); }

inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHResult(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);

inline constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
inline constexpr DWORD OLECLOSE_NOSAVE = 1;
inline constexpr DWORD USERCLASSTYPE_FULL = 1;
inline constexpr DWORD USERCLASSTYPE_SHORT = 2;
inline constexpr DWORD USERCLASSTYPE_APPNAME = 3;
inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOW = 5;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        SHORT iVal;
        LONG lVal;
        double dblVal;
        VARIANT_BOOL boolVal;
    };
    VARIANT() : dblVal(0) {}
};

struct DISPPARAMS {
    VARIANT* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct RECT {
    LONG left, top, right, bottom;
};

struct SIZE {
    LONG cx, cy;
};

// A counted array of identifiers allocated with CoTaskMemAlloc.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct PROPPAGEINFO {
    ULONG cb;
    OLECHAR* pszTitle;  // CoTaskMemAlloc
    SIZE size;
    OLECHAR* pszDocString;
    OLECHAR* pszHelpFile;
    DWORD dwHelpContext;
};

// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000112-0000-0000-C000-000000000046}
inline constexpr IID IID_IOleObject = {0x00000112, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000118-0000-0000-C000-000000000046}
inline constexpr IID IID_IOleClientSite = {0x00000118, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010F-0000-0000-C000-000000000046}
inline constexpr IID IID_IAdviseSink = {0x0000010F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000000B-0000-0000-C000-000000000046}
inline constexpr IID IID_IStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010A-0000-0000-C000-000000000046}
inline constexpr IID IID_IPersistStorage = {0x0000010A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {B196B28B-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28D-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IPropertyPage = {
    0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28C-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IPropertyPageSite = {
    0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Scratch storage: a temporary directory, removed when the last reference goes.
class IStorage : public IUnknown {
public:
    virtual HRESULT CreateStorage(const char* name, IStorage** storage) = 0;
    // The directory behind the storage (owned by the storage).
    virtual const char* GetDirectory() = 0;

protected:
    ~IStorage() = default;
};

class IPersistStorage : public IUnknown {
public:
    virtual HRESULT InitNew(IStorage* storage) = 0;

protected:
    ~IPersistStorage() = default;
};

class IOleClientSite : public IUnknown {
public:
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD assign, DWORD which, IUnknown** moniker) = 0;
    virtual HRESULT GetContainer(IUnknown** container) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL show) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;

protected:
    ~IOleClientSite() = default;
};

class IAdviseSink : public IUnknown {
public:
    virtual void OnDataChange(void* format, void* medium) = 0;
    virtual void OnViewChange(DWORD aspect, LONG index) = 0;
    virtual void OnRename(IUnknown* moniker) = 0;
    virtual void OnSave() = 0;
    virtual void OnClose() = 0;

protected:
    ~IAdviseSink() = default;
};

class IOleObject : public IUnknown {
public:
    virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
    virtual HRESULT Close(DWORD saveOption) = 0;
    virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
    // *userType is allocated with CoTaskMemAlloc; the caller frees it.
    virtual HRESULT GetUserType(DWORD form, OLECHAR** userType) = 0;
    virtual HRESULT Advise(IAdviseSink* sink, DWORD* connection) = 0;
    virtual HRESULT Unadvise(DWORD connection) = 0;

protected:
    ~IOleObject() = default;
};

class IPropertyPageSite : public IUnknown {
public:
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
    virtual HRESULT GetLocaleID(LCID* locale) = 0;
    virtual HRESULT GetPageContainer(IUnknown** container) = 0;
    virtual HRESULT TranslateAccelerator(void* msg) = 0;

protected:
    ~IPropertyPageSite() = default;
};

// A plug-in's option page: a QWidget it creates under the parent widget
// handed to Activate (passed as void*).
class IPropertyPage : public IUnknown {
public:
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(void* parentWidget, const RECT* rect, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT cmdShow) = 0;
    virtual HRESULT Move(const RECT* rect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(const OLECHAR* helpDir) = 0;
    virtual HRESULT TranslateAccelerator(void* msg) = 0;

protected:
    ~IPropertyPage() = default;
};

class ISpecifyPropertyPages : public IUnknown {
public:
    // pages->pElems is allocated with CoTaskMemAlloc; the caller frees it.
    virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

// Dispatch properties of a control (its options).
class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, const OLECHAR** names, UINT count, LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                           void* excepInfo, UINT* argErr) = 0;

protected:
    ~IDispatch() = default;
};

}  // namespace voxmill
