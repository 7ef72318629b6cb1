// The phantom: the object a simulated acquisition scans, an ordered list of
// elements (ellipsoids and truncated cylinders) that it owns. It is a target
// (type code 100) so that a projector can take it as input, and it publishes
// IPhantom so that in-process clients can enumerate and sample the elements.
//
// File (.pha): the target record, the element count, then one object
// reference per element in list order. Elements are never shared: a back
// reference between elements, a null entry or an object of another class is
// a malformed file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Target.h"
#include "contract/Phantom.h"

namespace voxmill {

class CPhantomElement;

class CPhantom : public CTarget {
    VOXMILL_DECLARE_SERIAL(CPhantom)

public:
    // The element classes a phantom holds, with the name the CLI uses and
    // the text the phantom window shows.
    struct ElementKind {
        const char* name;   // "ellipsoid", "cylinder"
        const char* label;  // "Ellipsoid", "Cylinder"
        const CRuntimeClass* cls;
    };
    static const std::vector<ElementKind>& ElementKinds();
    // The kind of that name or of that element's class, or null.
    static const ElementKind* FindKind(const std::string& name);
    static const ElementKind* KindOf(const CPhantomElement& element);

    CPhantom();
    ~CPhantom() override;

    std::uint16_t GetTargetType() const override { return kTargetPhantom; }

    // A new element of `cls` with the new-element defaults, appended and
    // owned; null when `cls` is not an element class that can be created.
    CPhantomElement* AddElement(const CRuntimeClass* cls);
    // Closes and deletes the element when it is in the list; otherwise
    // nothing. Marks the phantom modified, so that the removal is not lost.
    void RemoveElement(CPhantomElement* element);
    // Closes and deletes every element.
    void DeleteContents() override;
    void Serialize(CArchive& ar) override;
    void* GetInterface(REFIID iid) override;

    std::size_t GetCount() const { return m_elements.size(); }
    CPhantomElement* GetElement(std::size_t index) const;
    IPhantom* GetPhantom() { return &m_xPhantom; }

    std::vector<std::unique_ptr<CPhantomElement>> m_elements;

private:
    class XPhantom : public IPhantom {
    public:
        explicit XPhantom(CPhantom* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_pOwner->m_refs; }
        ULONG Release() override { return m_pOwner->m_refs > 1 ? --m_pOwner->m_refs : 1; }
        HRESULT GetCount(LONG* count) override;
        HRESULT GetElement(LONG index, IPhantomElement** element) override;

    private:
        CPhantom* m_pOwner;
    };

    static void CloseElement(CPhantomElement& element);

    XPhantom m_xPhantom{this};
    ULONG m_refs = 1;
};

}  // namespace voxmill
