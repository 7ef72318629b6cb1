#include "app/Target.h"

#include "app/LinkedReplacement.h"
#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ArchiveException.h"
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

std::shared_ptr<CLinkedReplacement> CTarget::GetLinkedReplacement() {
    if (!m_pReplacement || !m_pReplacement->Pending()) {
        m_pReplacement.reset();
        if (GetPathName().empty()) return nullptr;
        try {
            m_pReplacement = std::make_shared<CLinkedReplacement>(GetPathName());
        } catch (const CFileException&) {
            return nullptr;  // the member is written directly, as without a file
        }
    }
    return m_pReplacement;
}

void CTarget::StageLinkedMember(CListElementStub& stub) { stub.SetReplacement(GetLinkedReplacement()); }

void CTarget::DeleteContents() {
    // Members go before this; dropping the last hold on an uncommitted
    // replacement removes its staged files.
    m_pReplacement.reset();
    CDocument::DeleteContents();
}

void CTarget::WriteFile(const std::string& path) {
    if (!m_pReplacement || !m_pReplacement->Pending()) {
        CDocument::WriteFile(path);
        return;
    }
    m_pReplacement->Commit(path, [this](const std::string& staged) {
        SaveArchiveFile(staged, CArchive::kDefaultBufferSize, [this](CArchive& ar) { Serialize(ar); });
    });
    m_pReplacement.reset();
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
