// The Tessor plug-in hosted by the backprojector: it is found and created
// through the registry, refuses null arguments, takes its options through
// its dispatch interface, and the program's loop over its projections is
// exactly the per-projection calls followed by the 2 pi / N scaling.
#include <cmath>

#include <gtest/gtest.h>

#include "app/archive/ErrorSink.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"
#include "tests/reconstruction/FakeTargets.h"
#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using namespace test;

constexpr CLSID kTessor = {0x67D20F26, 0x7B01, 0x11D3, {0xBD, 0xB9, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
constexpr CLSID kTessorPage = {0x9C3B49C3, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};

class TessorHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(CPluginRegistry::RegisterModule(VOXMILL_TESSOR_MODULE, &error), S_OK) << error;
        const auto clsid = m_registry.FindPlugin("Tessor", &error);
        ASSERT_EQ(clsid, std::optional<CLSID>(kTessor)) << error;
        m_doc.m_bAutoDelete = false;
        ASSERT_TRUE(m_doc.OnNewDocument());
        ASSERT_EQ(m_doc.ChooseRenderer(kTessor, m_registry), CBackProjector::RendererChoice::replaced)
            << LastReportedError();
    }

    std::unique_ptr<CVolume> Reconstruct(CDocument& target) {
        auto volume = std::make_unique<CVolume>();
        EXPECT_TRUE(volume->Allocate(2, 2, 2, 8, 4, 8));
        EXPECT_EQ(m_doc.Run(target, *volume), S_OK);
        return volume;
    }

    CTestFolder m_folder;
    CPluginRegistry m_registry;
    CBackProjector m_doc;
};

TEST_F(TessorHostTest, IsListedAndHostedWithItsOnePage) {
    EXPECT_NE(m_doc.GetRendererUserType(), "n/a");
    EXPECT_FALSE(m_doc.GetRendererUserType().empty());
    EXPECT_EQ(m_doc.GetRendererPageIds(), std::vector<CLSID>{kTessorPage});
    bool listed = false;
    for (const auto& p : m_registry.EnumeratePlugins()) listed = listed || p.clsid == kTessor;
    EXPECT_TRUE(listed);
}

TEST_F(TessorHostTest, RefusesNullArgumentsBeforeAnythingElse) {
    void* p = nullptr;
    ASSERT_EQ(m_doc.GetRenderer()->QueryInterface(IID_IRenderer, &p), S_OK);
    auto* renderer = static_cast<IRenderer*>(p);
    CFakePhantom phantom(1);
    CFakeCollection collection({CFakeCollection::loadable});
    CVolume volume;
    ASSERT_TRUE(volume.Allocate(2, 2, 2, 4, 4, 4));
    IProgress* progress = m_doc.GetProgress();
    auto* ip = static_cast<IPhantom*>(phantom.GetInterface(IID_IPhantom));
    auto* ic = static_cast<IProjectionCollection*>(collection.GetInterface(IID_IProjectionCollection));
    IVolume* iv = volume.GetVolume();
    CFakeProjection projection(0);
    for (const char* mode : {"0", "1"}) {
        ASSERT_EQ(m_doc.SetRendererOption("IsProcessCollection", mode), S_OK);
        EXPECT_EQ(renderer->Synthesize(nullptr, ip, iv), E_POINTER);
        EXPECT_EQ(renderer->Synthesize(progress, nullptr, iv), E_POINTER);
        EXPECT_EQ(renderer->Synthesize(progress, ip, nullptr), E_POINTER);
        EXPECT_EQ(renderer->ProcessProjection(nullptr, &projection, iv), E_POINTER);
        EXPECT_EQ(renderer->ProcessProjection(progress, nullptr, iv), E_POINTER);
        EXPECT_EQ(renderer->ProcessProjection(progress, &projection, nullptr), E_POINTER);
        EXPECT_EQ(renderer->ProcessCollection(nullptr, ic, iv), E_POINTER);
        EXPECT_EQ(renderer->ProcessCollection(progress, nullptr, iv), E_POINTER);
        EXPECT_EQ(renderer->ProcessCollection(progress, ic, nullptr), E_POINTER);
    }
    renderer->Release();
    for (std::size_t i = 0; i < volume.GetVoxelCount(); ++i) ASSERT_EQ(volume.GetVoxels()[i], 0.0f);
}

TEST_F(TessorHostTest, TheProgramLoopIsEveryProjectionInTurnThenTheScaling) {
    constexpr int kN = 6;
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(kN, CFakeCollection::loadable));
    const auto loop = Reconstruct(collection);

    // The same by hand: one ProcessProjection per entry, then v * 2 pi / N in double.
    void* p = nullptr;
    ASSERT_EQ(m_doc.GetRenderer()->QueryInterface(IID_IRenderer, &p), S_OK);
    auto* renderer = static_cast<IRenderer*>(p);
    CVolume byHand;
    ASSERT_TRUE(byHand.Allocate(2, 2, 2, 8, 4, 8));
    for (int i = 0; i < kN; ++i) {
        CFakeProjection projection(i);
        ASSERT_EQ(renderer->ProcessProjection(m_doc.GetProgress(), &projection, byHand.GetVolume()), S_OK);
    }
    renderer->Release();
    bool nonZero = false;
    for (std::size_t i = 0; i < byHand.GetVoxelCount(); ++i) {
        const float expected =
            static_cast<float>(static_cast<double>(byHand.GetVoxels()[i]) * (2.0 * 3.141592653589793) / kN);
        ASSERT_EQ(loop->GetVoxels()[i], expected) << i;
        nonZero = nonZero || expected != 0.0f;
    }
    EXPECT_TRUE(nonZero);  // the comparison saw a reconstruction, not two empty volumes

    // Collection mode runs without the program's loop. Every fake projection
    // shares one angle, which covers no scan: the short-scan check is off.
    ASSERT_EQ(m_doc.SetRendererOption("IsProcessCollection", "1"), S_OK);
    ASSERT_EQ(m_doc.SetRendererOption("ShortScanWeighting", "0"), S_OK);
    VARIANT v;
    ASSERT_EQ(m_doc.GetRendererOption("IsProcessCollection", &v), S_OK);
    EXPECT_EQ(v.vt, VT_BOOL);
    EXPECT_NE(v.boolVal, VARIANT_FALSE);
    collection.m_events.clear();
    const auto whole = Reconstruct(collection);
    EXPECT_EQ(collection.m_events.front(), "GetItem 0");
}

}  // namespace
}  // namespace voxmill
