// One homogeneous body of a phantom: a unit primitive placed in the world by
// M = T · R · S (scale = semi-axes in world units, z-x-z Euler rotation in
// radians, translation = centre in world units), attenuating with MU per
// world unit of length.
//
// The element is a document so that it can have an editing window, but its
// phantom owns it (auto-delete is cleared). The geometric queries are const
// and keep no shared scratch storage, so they may run on many threads at once
// as long as nobody edits the element meanwhile.
//
// Record (204 bytes): sx, sy, sz, phi, theta, psi, the 16 rotation matrix
// elements, tx, ty, tz as doubles, then MU as a float.
#pragma once

#include "app/Document.h"
#include "contract/Phantom.h"
#include "geometry/Transform.h"
#include "geometry/Vector.h"

namespace voxmill {

class CDib;

class CPhantomElement : public CDocument {
    VOXMILL_DECLARE_DYNAMIC(CPhantomElement)

public:
    static constexpr std::size_t kRecordBytes = 204;
    static constexpr int kBitmapSize = 16;

    CPhantomElement();
    ~CPhantomElement() override;

    // Defaults: scale 1, angles 0 (identity matrix), translation 0, MU 1.
    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;
    void* GetInterface(REFIID iid) override;

    // The element's 16 x 16 picture for list views, drawn on first use.
    virtual const CDib* GetBitmap() = 0;
    // Whether the world point lies inside; boundaries count as inside.
    virtual bool IsInside(const CPoint4& p) const;
    // Length, in world units, of the part of the unbounded line p + t·d that
    // lies inside the element; 0.0 when it misses.
    virtual double ChordLength(const CPoint4& p, const CDirection4& d) const;
    // Entry and exit points (w = 1) of a unit-space line with the unit
    // primitive; false when the line misses it.
    virtual bool IntersectUnit(const CPoint4& p, const CDirection4& d, CPoint4& q1, CPoint4& q2) const = 0;
    // The inside test of a unit-space point (x, y, z).
    virtual bool IsInsideUnit(const CVector4& q) const = 0;

    // m_forward = T · (R · S), m_inverse = its inverse (left equal to
    // m_forward when the scale makes it singular). A singular element (a
    // scale of 0) is flat: it contains no point and cuts no chord.
    void UpdateMatrices();
    // True when the last UpdateMatrices found a singular forward matrix.
    bool IsSingular() const { return m_bSingular; }

    IPhantomElement* GetPhantomElement() { return &m_xPhantomElement; }

    CDib* m_pBitmap = nullptr;  // the derived class's bitmap once drawn
    CScaling m_scale;
    CRotation m_rotation;
    CTranslation m_translation;
    CTransform m_forward;
    CTransform m_inverse;
    float m_mu = 1.0f;

private:
    // Reference counts are the document's; its phantom owns it, so Release
    // never deletes.
    class XPhantomElement : public IPhantomElement {
    public:
        explicit XPhantomElement(CPhantomElement* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_pOwner->m_refs; }
        ULONG Release() override { return m_pOwner->m_refs > 1 ? --m_pOwner->m_refs : 1; }
        HRESULT Sample(float x, float y, float z, float* mu) override;

    private:
        CPhantomElement* m_pOwner;
    };

    XPhantomElement m_xPhantomElement{this};
    ULONG m_refs = 1;
    bool m_bSingular = false;
};

}  // namespace voxmill
