// The serializable object base and its run-time class record. A class that
// is written by reference in archives registers its name once through
// VOXMILL_IMPLEMENT_SERIAL; readers create objects by that name.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string_view>
#include <vector>

namespace voxmill {

class CArchive;
class CObject;

struct CRuntimeClass {
    static constexpr std::uint32_t kNoSchema = 0xFFFF;

    const char* m_lpszClassName;
    std::uint32_t m_wSchema;       // kNoSchema: not creatable by name
    bool m_bVersionable;           // accepts any stored schema
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    // The registered class of that name, or null.
    static const CRuntimeClass* FromName(std::string_view name);
    static void Register(const CRuntimeClass* cls);
    static void Unregister(const CRuntimeClass* cls);
    static std::vector<const CRuntimeClass*> RegisteredClasses();
};

// Virtual slots in order: class query, destructor, Serialize, validity, dump.
class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const {}
    virtual void Dump(std::ostream& os) const;

    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const CRuntimeClass classCObject;
    static const CRuntimeClass* ThisClass() { return &classCObject; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// Registers a class at start-up (used by VOXMILL_IMPLEMENT_SERIAL).
struct CClassRegistrar {
    explicit CClassRegistrar(const CRuntimeClass* cls) { CRuntimeClass::Register(cls); }
};

}  // namespace voxmill

#define RUNTIME_CLASS(name) (&name::class##name)

#define VOXMILL_DECLARE_DYNAMIC(name)                                   \
public:                                                                 \
    static const ::voxmill::CRuntimeClass class##name;                  \
    static const ::voxmill::CRuntimeClass* ThisClass() { return &class##name; } \
    const ::voxmill::CRuntimeClass* GetRuntimeClass() const override;

#define VOXMILL_DECLARE_SERIAL(name)                                    \
    VOXMILL_DECLARE_DYNAMIC(name)                                       \
    static ::voxmill::CObject* CreateObject();

#define VOXMILL_IMPLEMENT_DYNAMIC(name, base)                           \
    const ::voxmill::CRuntimeClass name::class##name = {                \
        #name, ::voxmill::CRuntimeClass::kNoSchema, false, nullptr, RUNTIME_CLASS(base)}; \
    const ::voxmill::CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }

#define VOXMILL_IMPLEMENT_DYNCREATE(name, base)                         \
    ::voxmill::CObject* name::CreateObject() { return new name; }        \
    const ::voxmill::CRuntimeClass name::class##name = {                \
        #name, ::voxmill::CRuntimeClass::kNoSchema, false, &name::CreateObject, RUNTIME_CLASS(base)}; \
    const ::voxmill::CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }

#define VOXMILL_IMPLEMENT_SERIAL_EX(name, base, schema, versionable)    \
    ::voxmill::CObject* name::CreateObject() { return new name; }        \
    const ::voxmill::CRuntimeClass name::class##name = {                \
        #name, (schema), (versionable), &name::CreateObject, RUNTIME_CLASS(base)}; \
    const ::voxmill::CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); } \
    static const ::voxmill::CClassRegistrar s_registrar##name(RUNTIME_CLASS(name));

#define VOXMILL_IMPLEMENT_SERIAL(name, base, schema) VOXMILL_IMPLEMENT_SERIAL_EX(name, base, schema, false)
