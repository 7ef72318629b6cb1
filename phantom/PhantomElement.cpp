#include "phantom/PhantomElement.h"

#include <cmath>

#include "app/archive/Archive.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNAMIC(CPhantomElement, CDocument)

CPhantomElement::CPhantomElement() {
    m_bAutoDelete = false;  // the phantom owns its elements
    UpdateMatrices();
}

CPhantomElement::~CPhantomElement() = default;

bool CPhantomElement::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    m_scale = CScaling(1, 1, 1);
    m_rotation.SetAngles(0, 0, 0);
    m_translation = CTranslation(0, 0, 0);
    m_mu = 1.0f;
    UpdateMatrices();
    return true;
}

void CPhantomElement::Serialize(CArchive& ar) {
    m_scale.Serialize(ar);
    // The stored matrix is used as saved, even when it no longer matches the angles.
    m_rotation.Serialize(ar);
    m_translation.Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteFloat(m_mu);
    } else {
        m_mu = ar.ReadFloat();
        UpdateMatrices();
    }
}

void CPhantomElement::UpdateMatrices() {
    m_forward.m_matrix = m_translation.GetMatrix() * (m_rotation.GetMatrix() * m_scale.GetMatrix());
    m_inverse.m_matrix = m_forward.m_matrix;
    m_bSingular = !m_inverse.m_matrix.Invert();
}

// The queries below read the plain transforms' matrices directly: for
// CTransform GetMatrix() returns them unchanged, and reading keeps the
// queries const and free of shared state.

bool CPhantomElement::IsInside(const CPoint4& p) const {
    if (m_bSingular) return false;
    CPoint4 q;
    m_inverse.m_matrix.Transform3(p, q);
    return IsInsideUnit(q);
}

double CPhantomElement::ChordLength(const CPoint4& p, const CDirection4& d) const {
    if (m_bSingular) return 0.0;
    CPoint4 pu;
    CDirection4 du;
    m_inverse.m_matrix.Transform4(p, pu);
    m_inverse.m_matrix.Transform4(d, du);
    CPoint4 q1, q2;
    if (!IntersectUnit(pu, du, q1, q2)) return 0.0;
    CPoint4 w1, w2;
    m_forward.m_matrix.Transform3(q1, w1);
    m_forward.m_matrix.Transform3(q2, w2);
    const double dx = w1.x - w2.x, dy = w1.y - w2.y, dz = w1.z - w2.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void* CPhantomElement::GetInterface(REFIID iid) {
    if (iid == IID_IPhantomElement || iid == IID_IUnknown) return static_cast<IPhantomElement*>(&m_xPhantomElement);
    return CDocument::GetInterface(iid);
}

HRESULT CPhantomElement::XPhantomElement::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = m_pOwner->GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CPhantomElement::XPhantomElement::Sample(float x, float y, float z, float* mu) {
    if (!m_pOwner->IsInside(CPoint4(x, y, z))) return E_FAIL;
    if (!mu) return E_POINTER;
    *mu = m_pOwner->m_mu;
    return S_OK;
}

}  // namespace voxmill
