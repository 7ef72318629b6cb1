#include "phantom/Phantom.h"

#include <algorithm>

#include "app/archive/Archive.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill {

// Created by the document templates; never written by reference, so it is
// not registered for creation by name.
VOXMILL_IMPLEMENT_DYNCREATE(CPhantom, CTarget)

const std::vector<CPhantom::ElementKind>& CPhantom::ElementKinds() {
    // Naming both classes here also links their archive registration into
    // every program that uses phantoms.
    static const std::vector<ElementKind> kinds = {
        {"ellipsoid", "Ellipsoid", RUNTIME_CLASS(CPhantomElementEllipsoid)},
        {"cylinder", "Cylinder", RUNTIME_CLASS(CPhantomElementCylinder)},
    };
    return kinds;
}

const CPhantom::ElementKind* CPhantom::FindKind(const std::string& name) {
    for (const ElementKind& kind : ElementKinds())
        if (name == kind.name) return &kind;
    return nullptr;
}

const CPhantom::ElementKind* CPhantom::KindOf(const CPhantomElement& element) {
    for (const ElementKind& kind : ElementKinds())
        if (element.GetRuntimeClass() == kind.cls) return &kind;
    return nullptr;
}

CPhantom::CPhantom() = default;

CPhantom::~CPhantom() { CPhantom::DeleteContents(); }

CPhantomElement* CPhantom::AddElement(const CRuntimeClass* cls) {
    if (!cls || !cls->IsDerivedFrom(RUNTIME_CLASS(CPhantomElement))) return nullptr;
    std::unique_ptr<CObject> object(cls->CreateObject());
    if (!object) return nullptr;
    std::unique_ptr<CPhantomElement> element(static_cast<CPhantomElement*>(object.release()));
    element->m_bAutoDelete = false;
    if (!element->OnNewDocument()) return nullptr;
    m_elements.push_back(std::move(element));
    return m_elements.back().get();
}

void CPhantom::CloseElement(CPhantomElement& element) {
    element.m_bAutoDelete = false;  // closing its windows must not delete it
    element.OnCloseDocument();
}

void CPhantom::RemoveElement(CPhantomElement* element) {
    auto it = std::find_if(m_elements.begin(), m_elements.end(),
                           [element](const std::unique_ptr<CPhantomElement>& e) { return e.get() == element; });
    if (it == m_elements.end()) return;
    std::unique_ptr<CPhantomElement> owned = std::move(*it);
    m_elements.erase(it);
    CloseElement(*owned);
    SetModifiedFlag();
}

void CPhantom::DeleteContents() {
    // Out of the list first: closing an element's windows may redraw views
    // that walk the list.
    std::vector<std::unique_ptr<CPhantomElement>> elements = std::move(m_elements);
    m_elements.clear();
    for (auto& element : elements) CloseElement(*element);
    elements.clear();
    CTarget::DeleteContents();
}

void CPhantom::Serialize(CArchive& ar) {
    CTarget::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(m_elements.size()));
        for (const auto& element : m_elements) ar.WriteObject(element.get());
        return;
    }
    // Each element costs at least its 2-byte tag and its record.
    const std::uint32_t count = ar.ReadCount(2 + CPhantomElement::kRecordBytes, "elements");
    for (std::uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<CPhantomElement> element(ar.ReadOwnedObjectAs<CPhantomElement>());
        if (!element) ar.Fail(CArchiveException::badClass, "phantom element " + std::to_string(i) + " is null");
        element->m_bAutoDelete = false;
        m_elements.push_back(std::move(element));
    }
}

CPhantomElement* CPhantom::GetElement(std::size_t index) const {
    return index < m_elements.size() ? m_elements[index].get() : nullptr;
}

void* CPhantom::GetInterface(REFIID iid) {
    if (iid == IID_IPhantom || iid == IID_IUnknown) return static_cast<IPhantom*>(&m_xPhantom);
    return CTarget::GetInterface(iid);
}

HRESULT CPhantom::XPhantom::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = m_pOwner->GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CPhantom::XPhantom::GetCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(m_pOwner->m_elements.size());
    return S_OK;
}

HRESULT CPhantom::XPhantom::GetElement(LONG index, IPhantomElement** element) {
    if (!element) return E_POINTER;
    *element = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pOwner->m_elements.size()) return E_NOINTERFACE;
    CPhantomElement* e = m_pOwner->m_elements[static_cast<std::size_t>(index)].get();
    if (!e) return E_NOINTERFACE;
    // Not add-referenced: the caller must not release it.
    *element = e->GetPhantomElement();
    return S_OK;
}

}  // namespace voxmill
