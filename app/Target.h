// The base of every document an operator can take as input. It carries a
// type code by which operators accept or refuse it, and an icon bitmap.
// Target record: flag hasIcon, then the icon's bitmap record when set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Document.h"

namespace voxmill {

class CDib;

enum TargetType : std::uint16_t {
    kTargetPhantom = 100,
    kTargetProjectionCollection = 101,
    kTargetSliceCollection = 102,
    kTargetDigitizer = 103,
    kTargetVolume = 104,
    kTargetSlideCollection = 105,
};

class CLinkedReplacement;
class CListElementStub;

class CTarget : public CDocument {
    VOXMILL_DECLARE_DYNAMIC(CTarget)

public:
    CTarget();
    ~CTarget() override;

    virtual std::uint16_t GetTargetType() const = 0;
    void Serialize(CArchive& ar) override;
    // Replaces the icon by a ".bmp" file; false (and the icon unchanged)
    // when the file cannot be read.
    bool LoadIcon(const std::string& path);

    CDib* GetIcon() const { return m_pIcon.get(); }

    // A collection's member stubs, in order; none for other targets.
    virtual std::vector<CListElementStub*> GetMemberStubs() const { return {}; }

    // Linked members written while the collection has a file are staged
    // and put in place, all together, by the collection's next save (see
    // CLinkedReplacement). Every writer of a linked member calls this
    // before saving it; without a file the member is written directly.
    void StageLinkedMember(CListElementStub& stub);
    // The pending replacement, made for the document's path on first use;
    // null without a path or when its journal cannot be written.
    std::shared_ptr<CLinkedReplacement> GetLinkedReplacement();
    void DeleteContents() override;

protected:
    // Commits a pending replacement with the record, or saves as any document.
    void WriteFile(const std::string& path) override;

    std::unique_ptr<CDib> m_pIcon;

private:
    std::shared_ptr<CLinkedReplacement> m_pReplacement;
};

}  // namespace voxmill
