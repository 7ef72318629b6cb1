// Serializable classes that exist only in the tests: small records for the
// archive's object references, a collection member with bulk data, and a
// minimal collection that owns its stubs and their elements the way the
// real collections do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ListElement.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "app/archive/Object.h"

namespace voxmill::test {

// One int; schema 1, not versionable.
class CTestItem : public CObject {
    VOXMILL_DECLARE_SERIAL(CTestItem)

public:
    CTestItem() = default;
    explicit CTestItem(std::int32_t value) : m_value(value) {}
    void Serialize(CArchive& ar) override;

    std::int32_t m_value = 0;
};

// A chain of owned children, for nesting.
class CTestNode : public CObject {
    VOXMILL_DECLARE_SERIAL(CTestNode)

public:
    ~CTestNode() override;
    void Serialize(CArchive& ar) override;

    CTestNode* m_pChild = nullptr;  // owned
};

// Versionable, schema 3: reads whatever schema was stored and notes it,
// before and after reading an owned child of another class.
class CTestVersioned : public CObject {
    VOXMILL_DECLARE_SERIAL(CTestVersioned)

public:
    ~CTestVersioned() override;
    void Serialize(CArchive& ar) override;

    std::int32_t m_value = 0;
    CTestItem* m_pChild = nullptr;  // owned
    std::uint32_t m_schemaBefore = 0, m_schemaAfter = 0;
};

// Identifier of an interface the test element answers for itself.
inline constexpr IID IID_ITestProbe = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

// A collection member: a name (kept by ReleaseData) and bulk values.
class CTestElement : public CListElement {
    VOXMILL_DECLARE_SERIAL(CTestElement)

public:
    void Serialize(CArchive& ar) override;
    void DeleteContents() override;
    void ReleaseData() override;
    CDib* MakeThumbnail(int width, int height) override;
    void GetDescription(std::string& description) override;
    void* GetInterface(REFIID iid) override;

    std::string m_name;
    std::vector<float> m_data;
    bool m_throwWhileStoring = false;  // writes part of the record, then throws
    int m_releaseCalls = 0, m_thumbnailCalls = 0, m_descriptionCalls = 0;
};

class CTestTarget : public CTarget {
public:
    std::uint16_t GetTargetType() const override { return kTargetPhantom; }
};

// Count, then one stub reference per member. Owns stubs and elements;
// linked members get a new empty element, as a collection gives them.
struct TestStubList {
    std::vector<std::unique_ptr<CListElementStub>> stubs;
    std::vector<std::unique_ptr<CListElement>> elements;

    CListElementStub& AddInPlace(std::unique_ptr<CTestElement> element);
    void Serialize(CArchive& ar);
};

std::unique_ptr<CTestElement> MakeElement(const std::string& name, std::size_t values);

}  // namespace voxmill::test
