#include "app/Target.h"

#include "app/archive/Archive.h"
#include "imaging/dib/Dib.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNAMIC(CTarget, CDocument)

CTarget::CTarget() : m_pIcon(std::make_unique<CDib>()) {}

CTarget::~CTarget() = default;

void CTarget::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        const bool hasIcon = m_pIcon->HasImage();
        ar.WriteFlag(hasIcon);
        if (hasIcon) m_pIcon->Serialize(ar);
    } else {
        m_pIcon->Clear();
        if (ar.ReadFlag()) m_pIcon->Serialize(ar);
    }
}

bool CTarget::LoadIcon(const std::string& path) {
    auto icon = std::make_unique<CDib>();
    if (!icon->ReadFile(path)) return false;
    m_pIcon = std::move(icon);
    SetModifiedFlag();
    UpdateAllViews(nullptr);
    return true;
}

}  // namespace voxmill
