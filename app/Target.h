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

protected:
    std::unique_ptr<CDib> m_pIcon;
};

}  // namespace voxmill
