#include "tests/app/TestSerialClasses.h"

#include <cstring>
#include <stdexcept>

#include "app/archive/Archive.h"
#include "imaging/dib/Dib.h"

namespace voxmill::test {

VOXMILL_IMPLEMENT_SERIAL(CTestItem, CObject, 1)
VOXMILL_IMPLEMENT_SERIAL(CTestNode, CObject, 1)
VOXMILL_IMPLEMENT_SERIAL_EX(CTestVersioned, CObject, 3, true)
VOXMILL_IMPLEMENT_SERIAL(CTestElement, CListElement, 1)

void CTestItem::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar.WriteInt(m_value);
    else
        m_value = ar.ReadInt();
}

CTestNode::~CTestNode() { delete m_pChild; }

void CTestNode::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar.WriteObject(m_pChild);
    else
        m_pChild = ar.ReadOwnedObjectAs<CTestNode>();
}

CTestVersioned::~CTestVersioned() { delete m_pChild; }

void CTestVersioned::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt(m_value);
        ar.WriteObject(m_pChild);
        return;
    }
    m_schemaBefore = ar.GetObjectSchema();
    m_value = ar.ReadInt();
    m_pChild = ar.ReadOwnedObjectAs<CTestItem>();
    m_schemaAfter = ar.GetObjectSchema();
}

void CTestElement::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(m_name);
        ar.WriteCount(static_cast<std::uint32_t>(m_data.size()));
        ar.WriteFloats(m_data.data(), m_data.size());
        if (m_throwWhileStoring) throw std::runtime_error("simulated failure half-way through the record");
        return;
    }
    m_name = ar.ReadString();
    const std::uint32_t n = ar.ReadCount(sizeof(float));
    m_data.assign(n, 0.0f);
    ar.ReadFloats(m_data.data(), n);
}

void CTestElement::DeleteContents() {
    m_name.clear();
    m_data.clear();
}

void CTestElement::ReleaseData() {
    ++m_releaseCalls;
    m_data.clear();
    m_data.shrink_to_fit();
}

CDib* CTestElement::MakeThumbnail(int width, int height) {
    ++m_thumbnailCalls;
    auto dib = std::make_unique<CDib>(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 8);
    dib->CreateSection();
    RGBQUAD* table = dib->GetColorTable();
    for (std::uint32_t i = 0; i < dib->GetColorCount(); ++i) {
        const auto g = static_cast<std::uint8_t>(i);
        table[i] = {g, g, g, 0};
    }
    const auto fill = static_cast<std::uint8_t>(m_data.empty() ? 0 : static_cast<int>(m_data.front()) & 0xFF);
    std::memset(dib->GetBits(), fill, dib->GetImageSize());
    return dib.release();
}

void CTestElement::GetDescription(std::string& description) {
    ++m_descriptionCalls;
    description = m_name + " (" + std::to_string(m_data.size()) + " values)";
}

void* CTestElement::GetInterface(REFIID iid) {
    return iid == IID_ITestProbe ? static_cast<void*>(this) : nullptr;
}

CListElementStub& TestStubList::AddInPlace(std::unique_ptr<CTestElement> element) {
    auto stub = std::make_unique<CListElementStub>();
    element->m_bAutoDelete = false;
    stub->m_pElement = element.get();
    elements.push_back(std::move(element));
    stubs.push_back(std::move(stub));
    return *stubs.back();
}

void TestStubList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(stubs.size()));
        for (const auto& stub : stubs) ar.WriteObject(stub.get());
        return;
    }
    const std::uint32_t n = ar.ReadCount();
    for (std::uint32_t i = 0; i < n; ++i) {
        stubs.emplace_back(ar.ReadOwnedObjectAs<CListElementStub>());
        CListElementStub* stub = stubs.back().get();
        if (!stub) continue;
        if (stub->m_pElement) {
            elements.emplace_back(stub->m_pElement);
        } else if (stub->m_bLinked) {
            auto element = std::make_unique<CTestElement>();
            element->m_bAutoDelete = false;
            stub->m_pElement = element.get();
            elements.push_back(std::move(element));
        }
    }
}

std::unique_ptr<CTestElement> MakeElement(const std::string& name, std::size_t values) {
    auto element = std::make_unique<CTestElement>();
    element->m_name = name;
    for (std::size_t i = 0; i < values; ++i) element->m_data.push_back(static_cast<float>(i) * 0.5f + 1.0f);
    return element;
}

}  // namespace voxmill::test
