#include "app/archive/Object.h"

#include <map>
#include <mutex>
#include <ostream>
#include <string>

namespace voxmill {
namespace {

struct ClassTable {
    std::mutex mutex;
    std::map<std::string, const CRuntimeClass*, std::less<>> byName;
};

ClassTable& Table() {
    static ClassTable table;
    return table;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", CRuntimeClass::kNoSchema, false, nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

void CObject::Dump(std::ostream& os) const { os << "a " << GetRuntimeClass()->m_lpszClassName << '\n'; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
    ClassTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.byName.find(name);
    return it == t.byName.end() ? nullptr : it->second;
}

void CRuntimeClass::Register(const CRuntimeClass* cls) {
    ClassTable& t = Table();
    std::lock_guard lock(t.mutex);
    t.byName[cls->m_lpszClassName] = cls;
}

void CRuntimeClass::Unregister(const CRuntimeClass* cls) {
    ClassTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.byName.find(cls->m_lpszClassName);
    if (it != t.byName.end() && it->second == cls) t.byName.erase(it);
}

std::vector<const CRuntimeClass*> CRuntimeClass::RegisteredClasses() {
    ClassTable& t = Table();
    std::lock_guard lock(t.mutex);
    std::vector<const CRuntimeClass*> out;
    for (auto& [name, cls] : t.byName) out.push_back(cls);
    return out;
}

}  // namespace voxmill
