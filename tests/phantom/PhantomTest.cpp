#include "phantom/Phantom.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameWnd.h"
#include "app/View.h"
#include "imaging/dib/Dib.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "tests/geometry/ArchiveBytes.h"
#include "tests/phantom/TempDir.h"

namespace voxmill {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

Bytes Word(std::uint16_t w) { return {static_cast<std::uint8_t>(w & 0xFF), static_cast<std::uint8_t>(w >> 8)}; }

// A new-class tag: FF FF, schema, name length, name.
Bytes ClassDescription(const std::string& name, std::uint16_t schema = 1) {
    Bytes b = Word(0xFFFF);
    Append(b, Word(schema));
    Append(b, Word(static_cast<std::uint16_t>(name.size())));
    b.insert(b.end(), name.begin(), name.end());
    return b;
}

Bytes EmptyTargetAndCount(std::uint16_t count) {
    Bytes b = {0, 0, 0, 0};
    Append(b, Word(count));
    return b;
}

Bytes DefaultRecord() {
    CPhantomElementEllipsoid e;
    e.OnNewDocument();
    return test::StoreBytes(e);
}

// An element kind unknown to the archive: saving it must fail.
class CUnsavableElement : public CPhantomElementEllipsoid {
    VOXMILL_DECLARE_DYNAMIC(CUnsavableElement)
};
VOXMILL_IMPLEMENT_DYNAMIC(CUnsavableElement, CPhantomElementEllipsoid)

// Loads a phantom from bytes; the archive error's cause, or -1 on success.
int LoadCause(CPhantom& phantom, const Bytes& bytes) {
    try {
        test::LoadBytes(phantom, bytes);
    } catch (const CArchiveException& e) {
        phantom.DeleteContents();
        return e.cause();
    }
    return -1;
}

// --- the .pha bytes -----------------------------------------------------------

TEST(PhantomFile, EmptyPhantomIsSixZeroBytes) {
    CPhantom phantom;
    phantom.OnNewDocument();
    EXPECT_EQ(test::StoreBytes(phantom), Bytes({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(phantom.GetTargetType(), 100);
}

TEST(PhantomFile, ClassDescriptionIsWrittenOncePerClass) {
    CPhantom phantom;
    CPhantomElement* first = phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    CPhantomElement* second = phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    CPhantomElement* third = phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    ASSERT_TRUE(first && second && third);
    first->m_mu = 0.5f;
    second->m_translation.p[1] = -0.25;
    third->m_scale.p[2] = 0.125;

    // Running index: ellipsoid class 1, first 2, cylinder class 3, second 4;
    // the third element names class 1.
    Bytes expected = EmptyTargetAndCount(3);
    Append(expected, ClassDescription("CPhantomElementEllipsoid"));
    Append(expected, test::StoreBytes(*first));
    Append(expected, ClassDescription("CPhantomElementCylinder"));
    Append(expected, test::StoreBytes(*second));
    Append(expected, Word(0x8001));
    Append(expected, test::StoreBytes(*third));
    const Bytes bytes = test::StoreBytes(phantom);
    EXPECT_EQ(bytes, expected);
    ASSERT_EQ(bytes.size(), 6u + (6 + 24 + 204) + (6 + 23 + 204) + (2 + 204));
    // Spot checks on the raw layout.
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 12), Bytes({0xFF, 0xFF, 0x01, 0x00, 0x18, 0x00}));
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 36), "CPhantomElementEllipsoid");
    EXPECT_EQ(Bytes(bytes.begin() + 473, bytes.begin() + 475), Bytes({0x01, 0x80}));
    float mu;
    std::memcpy(&mu, bytes.data() + 36 + 200, 4);
    EXPECT_EQ(mu, 0.5f);
}

TEST(PhantomFile, RoundTripThroughADiskFile) {
    test::TempDir dir;
    const std::string path = dir.File("three.pha");
    CPhantom phantom;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder))->m_mu = -1.5f;
    CPhantomElement* e = phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    e->m_rotation.SetAngles(0.5, 1.0, 1.5);
    e->m_translation = CTranslation(0.1, 0.2, 0.3);
    e->UpdateMatrices();
    phantom.Save(path);
    const Bytes saved = test::ReadBytes(path);

    CPhantom back;
    back.Open(path);
    ASSERT_EQ(back.GetCount(), 2u);
    EXPECT_EQ(back.GetElement(0)->GetRuntimeClass(), RUNTIME_CLASS(CPhantomElementCylinder));
    EXPECT_EQ(back.GetElement(1)->GetRuntimeClass(), RUNTIME_CLASS(CPhantomElementEllipsoid));
    EXPECT_EQ(back.GetElement(0)->m_mu, -1.5f);
    EXPECT_EQ(back.GetElement(1)->m_translation.p[2], 0.3);
    EXPECT_EQ(std::memcmp(back.GetElement(1)->m_forward.m_matrix.m, e->m_forward.m_matrix.m, 128), 0);
    for (const auto& element : back.m_elements) EXPECT_FALSE(element->m_bAutoDelete);
    EXPECT_FALSE(back.IsModified());
    EXPECT_EQ(test::StoreBytes(back), saved);
}

TEST(PhantomFile, ReaderRefusesWhatAWriterNeverProduces) {
    const Bytes record = DefaultRecord();
    struct Case {
        const char* what;
        Bytes bytes;
        int cause;
    };
    std::vector<Case> cases;
    {
        // Two elements that are one object: deleting both would free it twice.
        Bytes b = EmptyTargetAndCount(2);
        Append(b, ClassDescription("CPhantomElementEllipsoid"));
        Append(b, record);
        Append(b, Word(0x0002));
        Append(b, Bytes(204, 0));  // padding so the count check passes
        cases.push_back({"shared back reference", b, CArchiveException::badIndex});
    }
    {
        Bytes b = EmptyTargetAndCount(1);
        Append(b, ClassDescription("CDib", 0));
        Append(b, Bytes(204, 0));
        cases.push_back({"object of another class", b, CArchiveException::badClass});
    }
    {
        Bytes b = EmptyTargetAndCount(1);
        Append(b, ClassDescription("CPhantomElementSphere"));
        Append(b, record);
        cases.push_back({"unknown class", b, CArchiveException::badClass});
    }
    {
        Bytes b = EmptyTargetAndCount(1);
        Append(b, ClassDescription("CPhantomElementCylinder", 2));
        Append(b, record);
        cases.push_back({"other schema", b, CArchiveException::badSchema});
    }
    {
        Bytes b = EmptyTargetAndCount(1);
        Append(b, Word(0x0000));
        Append(b, Bytes(204, 0));
        cases.push_back({"null element", b, CArchiveException::badClass});
    }
    {
        Bytes b = EmptyTargetAndCount(0xFFFE);
        Append(b, ClassDescription("CPhantomElementEllipsoid"));
        Append(b, record);
        cases.push_back({"count larger than the file", b, CArchiveException::endOfFile});
    }
    {
        Bytes b = EmptyTargetAndCount(1);
        Append(b, ClassDescription("CPhantomElementEllipsoid"));
        Append(b, Bytes(record.begin(), record.end() - 4));
        cases.push_back({"record cut short", b, CArchiveException::endOfFile});
    }
    for (const Case& c : cases) {
        CPhantom phantom;
        EXPECT_EQ(LoadCause(phantom, c.bytes), c.cause) << c.what;
        EXPECT_EQ(phantom.GetCount(), 0u) << c.what;
    }
}

TEST(PhantomFile, FailedOpenLeavesAnEmptyPhantomAndFailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    const std::string good = dir.File("good.pha");
    const std::string bad = dir.File("bad.pha");
    CPhantom phantom;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    phantom.Save(good);
    Bytes cut = test::ReadBytes(good);
    cut.resize(cut.size() - 1);
    test::WriteBytes(bad, cut);

    CPhantom other;
    other.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    EXPECT_THROW(other.Open(bad), CArchiveException);
    EXPECT_EQ(other.GetCount(), 0u);
    EXPECT_FALSE(other.OnOpenDocument(bad));

    // A save that fails half-way (an element the archive cannot name)
    // leaves the previous file as it was.
    const Bytes before = test::ReadBytes(good);
    phantom.m_elements.push_back(std::make_unique<CUnsavableElement>());
    EXPECT_THROW(phantom.Save(good), CArchiveException);
    EXPECT_EQ(test::ReadBytes(good), before);
    EXPECT_ANY_THROW(phantom.Save(dir.File("missing/x.pha")));
}

// --- document operations ---------------------------------------------------------

class TestFrame;

class TestView : public CView {
public:
    ~TestView() override { DetachFromDocument(); }
};

class TestFrame : public CFrameWnd {
public:
    explicit TestFrame(CDocument& doc) {
        view.SetParentFrame(this);
        doc.AddView(&view);
    }
    void DestroyWindow() override {
        destroyed = true;
        if (view.GetDocument()) view.GetDocument()->RemoveView(&view);
    }
    CView* GetActiveView() const override { return const_cast<TestView*>(&view); }
    TestView view;
    bool destroyed = false;
};

TEST(PhantomDocument, AddElementCreatesOnlyElementClasses) {
    CPhantom phantom;
    EXPECT_EQ(phantom.AddElement(nullptr), nullptr);
    EXPECT_EQ(phantom.AddElement(RUNTIME_CLASS(CDib)), nullptr);             // not an element
    EXPECT_EQ(phantom.AddElement(RUNTIME_CLASS(CPhantomElement)), nullptr);  // abstract
    EXPECT_EQ(phantom.GetCount(), 0u);

    CPhantomElement* e = phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(phantom.GetCount(), 1u);
    EXPECT_EQ(phantom.GetElement(0), e);
    EXPECT_EQ(phantom.GetElement(1), nullptr);
    EXPECT_FALSE(e->m_bAutoDelete);
    EXPECT_EQ(e->m_mu, 1.0f);
    EXPECT_EQ(CPhantom::KindOf(*e), CPhantom::FindKind("cylinder"));
    EXPECT_STREQ(CPhantom::KindOf(*e)->label, "Cylinder");
    EXPECT_EQ(CPhantom::FindKind("sphere"), nullptr);
}

TEST(PhantomDocument, RemoveElementClosesItsWindowsAndDeletesIt) {
    CPhantom phantom;
    CPhantomElement* keep = phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    CPhantomElement* gone = phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    TestFrame frame(*gone);
    phantom.SetModifiedFlag(false);

    CPhantom other;
    CPhantomElement* stranger = other.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    phantom.RemoveElement(stranger);  // not in this list: nothing happens
    phantom.RemoveElement(nullptr);
    EXPECT_EQ(phantom.GetCount(), 2u);
    EXPECT_FALSE(phantom.IsModified());

    phantom.RemoveElement(gone);
    EXPECT_TRUE(frame.destroyed);
    EXPECT_EQ(frame.view.GetDocument(), nullptr);
    ASSERT_EQ(phantom.GetCount(), 1u);
    EXPECT_EQ(phantom.GetElement(0), keep);
    EXPECT_TRUE(phantom.IsModified());  // so that closing asks to save
}

TEST(PhantomDocument, DeleteContentsClosesEveryElement) {
    CPhantom phantom;
    TestFrame frame(*phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid)));
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    phantom.OnNewDocument();
    EXPECT_EQ(phantom.GetCount(), 0u);
    EXPECT_TRUE(frame.destroyed);
}

TEST(PhantomDocument, InterfaceCountsAndHandsOutElements) {
    CPhantom phantom;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid))->m_mu = 0.25f;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    auto* ip = static_cast<IPhantom*>(phantom.GetInterface(IID_IPhantom));
    ASSERT_NE(ip, nullptr);
    EXPECT_EQ(ip, phantom.GetPhantom());

    LONG count = -1;
    EXPECT_EQ(ip->GetCount(&count), S_OK);
    EXPECT_EQ(count, 2);

    for (LONG bad : {LONG(-1), LONG(2), LONG(1000), LONG(-2147483647 - 1)}) {
        auto* element = reinterpret_cast<IPhantomElement*>(0x1);
        EXPECT_EQ(ip->GetElement(bad, &element), E_NOINTERFACE) << bad;
        EXPECT_EQ(static_cast<std::uint32_t>(ip->GetElement(bad, &element)), 0x80004002u);
        EXPECT_EQ(element, nullptr) << bad;
    }
    IPhantomElement* element = nullptr;
    ASSERT_EQ(ip->GetElement(0, &element), S_OK);
    ASSERT_NE(element, nullptr);
    float mu = 0;
    EXPECT_EQ(element->Sample(0.5f, 0.5f, 0.5f, &mu), S_OK);
    EXPECT_EQ(mu, 0.25f);
    EXPECT_EQ(element->Sample(0.8f, 0.8f, 0.0f, &mu), E_FAIL);

    void* unknown = nullptr;
    EXPECT_EQ(ip->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, ip);
    ip->Release();
    void* none = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(ip->QueryInterface(IID_IPhantomElement, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace voxmill
