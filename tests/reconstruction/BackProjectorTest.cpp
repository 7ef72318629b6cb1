// The backprojector against the test renderer module: hosting (creation
// order, replacement, keeping the same renderer, pages, options), the run
// algorithm of the renderer contract, progress, and the document itself.
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "app/DocTemplate.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "app/archive/ErrorSink.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginModule.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"
#include "tests/reconstruction/FakeTargets.h"
#include "tests/reconstruction/TestFolder.h"
#include "tests/reconstruction/TestRendererIds.h"

namespace voxmill {
namespace {

using namespace test;

// The operator frame's progress bar and status pane, as calls.
class CRecordingFrame : public CFrameWnd {
public:
    void DestroyWindow() override {}
    CView* GetActiveView() const override { return nullptr; }
    void SetStatusText(int pane, const std::string& text) override {
        calls.push_back("status " + std::to_string(pane) + " " + text);
    }
    void SetProgressRange(unsigned steps) override { calls.push_back("range " + std::to_string(steps)); }
    void StepProgress() override {
        calls.push_back("step");
        if (++steps == cancelAtStep) cancel = true;  // Cancel clicked during this step
    }
    void HideProgress() override { calls.push_back("hide"); }
    bool CancelRequested() const override { return cancel; }
    std::vector<std::string> calls;
    int steps = 0;
    int cancelAtStep = 0;
    bool cancel = false;
};

class CRecordingView : public CView {
public:
    ~CRecordingView() override { DetachFromDocument(); }
    void OnUpdate(CView*, long, CObject*) override { ++updates; }
    int updates = 0;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t CountOf(const std::vector<std::string>& lines, const std::string& wanted) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), wanted));
}

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& wanted) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), wanted) - lines.begin());
}

class BackProjectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(CPluginRegistry::RegisterModule(VOXMILL_TEST_RENDERER, &error), S_OK) << error;
        CPluginModule* module = CPluginModule::Open(m_registry.GetModulePath(CLSID_TestRendererA), &error);
        ASSERT_NE(module, nullptr) << error;
        m_log = reinterpret_cast<PFN_TestLog>(module->Symbol(kTestLogSymbol));
        m_clearLog = reinterpret_cast<PFN_TestClearLog>(module->Symbol(kTestClearLogSymbol));
        ASSERT_TRUE(m_log && m_clearLog);
        m_clearLog();
        ClearLastReportedError();

        m_doc.m_bAutoDelete = false;
        ASSERT_TRUE(m_doc.OnNewDocument());
        m_view.SetParentFrame(&m_frame);
        m_doc.AddView(&m_view);
        // Every step takes 10 ms.
        m_doc.SetClock([t = std::uint64_t{0}]() mutable { return t += 100000; });
    }

    std::vector<std::string> Log() const { return Lines(m_log()); }

    IRenderer* Renderer() {
        void* p = nullptr;
        EXPECT_EQ(m_doc.GetRenderer()->QueryInterface(IID_IRenderer, &p), S_OK);
        return static_cast<IRenderer*>(p);
    }

    void Choose(const CLSID& clsid) {
        ASSERT_EQ(m_doc.ChooseRenderer(clsid, m_registry), CBackProjector::RendererChoice::replaced)
            << LastReportedError();
    }

    std::unique_ptr<CVolume> SmallVolume() {
        auto v = std::make_unique<CVolume>();
        EXPECT_TRUE(v->Allocate(2, 2, 2, 4, 3, 2));
        return v;
    }

    CTestFolder m_folder;
    CPluginRegistry m_registry;
    PFN_TestLog m_log = nullptr;
    PFN_TestClearLog m_clearLog = nullptr;
    CRecordingFrame m_frame;
    CBackProjector m_doc;
    CRecordingView m_view;  // after the document, so that it goes first
};

TEST_F(BackProjectorTest, ANewBackprojectorHasItsStoragesAndNoRenderer) {
    ASSERT_NE(m_doc.GetRendererStorage(), nullptr);
    const std::string sub = m_doc.GetRendererStorage()->GetDirectory();
    EXPECT_EQ(std::filesystem::path(sub).filename(), "sub");
    EXPECT_EQ(std::filesystem::path(sub).parent_path(), m_doc.GetScratchStorage()->GetDirectory());
    EXPECT_TRUE(std::filesystem::is_directory(sub));
    EXPECT_FALSE(m_doc.HasRenderer());
    EXPECT_EQ(m_doc.GetRendererUserType(), "n/a");
    EXPECT_EQ(m_doc.GetRendererClassId(), GUID_NULL);
    EXPECT_NE(m_doc.GetInterface(IID_IOleClientSite), nullptr);
    EXPECT_NE(m_doc.GetInterface(IID_IAdviseSink), nullptr);
    EXPECT_NE(m_doc.GetInterface(IID_IProgress), nullptr);
    EXPECT_TRUE(CBackProjector::AcceptsTarget(kTargetProjectionCollection));
    EXPECT_TRUE(CBackProjector::AcceptsTarget(kTargetPhantom));
    for (std::uint16_t other : {kTargetSliceCollection, kTargetDigitizer, kTargetVolume, kTargetSlideCollection})
        EXPECT_FALSE(CBackProjector::AcceptsTarget(other));
}

TEST_F(BackProjectorTest, HostingGivesTheSiteThenTheStorageAndListsThePages) {
    const int updatesBefore = m_view.updates;
    Choose(CLSID_TestRendererA);
    const auto log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "A SetClientSite site");
    EXPECT_EQ(log[1], "A InitNew directory");
    EXPECT_EQ(log[2], "A Advise");
    EXPECT_GT(m_view.updates, updatesBefore);
    EXPECT_EQ(m_doc.GetRendererClassId(), CLSID_TestRendererA);
    EXPECT_EQ(m_doc.GetRendererUserType(), "Voxmill Test Renderer A Control");
    EXPECT_EQ(m_doc.GetRendererPageIds(), (std::vector<CLSID>{CLSID_TestPage1, CLSID_TestPage2}));

    IPropertyPage* page = m_doc.CreateRendererPage(CLSID_TestPage2, m_registry);
    ASSERT_NE(page, nullptr);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(Log().back(), "Page2 SetObjects 1");
    page->Release();
    EXPECT_EQ(Log().back(), "Page2 Destroyed");
}

TEST_F(BackProjectorTest, ChoosingTheSameRendererKeepsItWithItsOptionValues) {
    Choose(CLSID_TestRendererA);
    IOleObject* held = m_doc.GetRenderer();
    ASSERT_EQ(m_doc.SetRendererOption("Gain", "2.5"), S_OK);
    m_clearLog();
    EXPECT_EQ(m_doc.ChooseRenderer(CLSID_TestRendererA, m_registry), CBackProjector::RendererChoice::unchanged);
    EXPECT_EQ(m_doc.GetRenderer(), held);
    EXPECT_TRUE(Log().empty());
    VARIANT gain;
    ASSERT_EQ(m_doc.GetRendererOption("Gain", &gain), S_OK);
    EXPECT_EQ(gain.vt, VT_R8);
    EXPECT_EQ(gain.dblVal, 2.5);
}

TEST_F(BackProjectorTest, ChoosingAnotherRendererClosesAndReleasesThePreviousOne) {
    Choose(CLSID_TestRendererA);
    ASSERT_EQ(m_doc.SetRendererOption("Gain", "3"), S_OK);
    m_clearLog();
    Choose(CLSID_TestRendererB);
    const auto log = Log();
    const std::size_t close = IndexOf(log, "A Close 1");
    ASSERT_LT(close, log.size());
    EXPECT_LT(IndexOf(log, "A Unadvise 7"), close);
    EXPECT_EQ(IndexOf(log, "A Destroyed"), close + 1);  // our reference was the last
    EXPECT_GT(IndexOf(log, "B SetClientSite site"), close);
    EXPECT_EQ(m_doc.GetRendererPageIds(), std::vector<CLSID>{CLSID_TestPageB});
    VARIANT gain;
    ASSERT_EQ(m_doc.GetRendererOption("Gain", &gain), S_OK);
    EXPECT_EQ(gain.dblVal, 1.0);  // options lived in the old instance only
}

TEST_F(BackProjectorTest, AFailedCreationReportsAndLeavesNoRenderer) {
    Choose(CLSID_TestRendererA);
    std::string error;
    ASSERT_TRUE(CRegistry::Update(
        m_folder.Registry(),
        [](CRegistry& reg) {
            reg.SetValue(CRegistry::ClassKey(CLSID_TestNullObject) + "\\InprocServer32", "",
                         reg.GetValue(CRegistry::ClassKey(CLSID_TestRendererA) + "\\InprocServer32").value());
        },
        &error));
    EXPECT_EQ(m_doc.ChooseRenderer(CLSID_TestNullObject, m_registry), CBackProjector::RendererChoice::failed);
    EXPECT_FALSE(m_doc.HasRenderer());
    EXPECT_EQ(CountOf(Log(), "A Destroyed"), 1u);
    EXPECT_NE(LastReportedError().find("created no object"), std::string::npos) << LastReportedError();
    EXPECT_EQ(m_doc.GetRendererUserType(), "n/a");
}

TEST_F(BackProjectorTest, ClosingTheDocumentClosesTheRendererAndTheStorageGoesWithTheDocument) {
    std::string scratch;
    {
        CBackProjector doc;
        doc.m_bAutoDelete = false;
        ASSERT_TRUE(doc.OnNewDocument());
        scratch = doc.GetScratchStorage()->GetDirectory();
        ASSERT_EQ(doc.ChooseRenderer(CLSID_TestRendererB, m_registry), CBackProjector::RendererChoice::replaced);
        doc.DeleteContents();
        EXPECT_FALSE(doc.HasRenderer());
        EXPECT_EQ(CountOf(Log(), "B Close 1"), 1u);
        EXPECT_EQ(CountOf(Log(), "B Destroyed"), 1u);
        EXPECT_TRUE(std::filesystem::is_directory(scratch));
    }
    EXPECT_FALSE(std::filesystem::exists(scratch));
}

TEST_F(BackProjectorTest, OptionsAreSetByNameInTheTypeThePropertyTakes) {
    std::string error;
    EXPECT_EQ(m_doc.SetRendererOption("Gain", "1", &error), E_UNEXPECTED);
    Choose(CLSID_TestRendererA);
    EXPECT_EQ(m_doc.SetRendererOption("IsProcessCollection", "1", &error), S_OK) << error;  // found as VT_BOOL
    VARIANT v;
    ASSERT_EQ(m_doc.GetRendererOption("IsProcessCollection", &v), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(m_doc.SetRendererOption("IsProcessCollection", "false", &error), S_OK) << error;
    ASSERT_EQ(m_doc.GetRendererOption("IsProcessCollection", &v), S_OK);
    EXPECT_EQ(v.boolVal, VARIANT_FALSE);
    EXPECT_EQ(m_doc.SetRendererOption("Gain", "-0.25", &error), S_OK) << error;

    EXPECT_EQ(m_doc.SetRendererOption("Gain", "lots", &error), E_INVALIDARG);
    EXPECT_NE(error.find("neither a number nor true/false"), std::string::npos) << error;
    EXPECT_EQ(m_doc.SetRendererOption("Gain", "", &error), E_INVALIDARG);
    EXPECT_EQ(m_doc.SetRendererOption("Speed", "1", &error), DISP_E_UNKNOWNNAME);
    EXPECT_NE(error.find("no property 'Speed'"), std::string::npos) << error;
    EXPECT_EQ(m_doc.SetRendererOption("IsProcessCollection", "2.5", &error), DISP_E_TYPEMISMATCH);
}

float Scaled(float v, int n) { return static_cast<float>(static_cast<double>(v) * (2.0 * 3.141592653589793) / n); }

TEST_F(BackProjectorTest, ARendererWithoutCollectionModeGetsEveryProjectionInOrderAndTheScaling) {
    Choose(CLSID_TestRendererA);
    m_clearLog();
    m_frame.calls.clear();
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(5, CFakeCollection::loadable));
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(collection, *volume), S_OK);

    EXPECT_EQ(Log(), (std::vector<std::string>{"A ProcessCollection E_NOTIMPL", "A ProcessProjection 0",
                                               "A ProcessProjection 1", "A ProcessProjection 2",
                                               "A ProcessProjection 3", "A ProcessProjection 4"}));
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        const std::size_t get = IndexOf(collection.m_events, "GetItem " + n);
        ASSERT_LT(get + 2, collection.m_events.size());
        EXPECT_EQ(collection.m_events[get + 1], "load " + n);
        EXPECT_EQ(collection.m_events[get + 2], "unload " + n);
    }
    EXPECT_EQ(m_frame.calls.front(), "range 5");
    EXPECT_EQ(m_frame.calls[1], "status 0 Backprojecting...");
    EXPECT_EQ(CountOf(m_frame.calls, "step"), 5u);
    EXPECT_EQ(m_frame.calls.back(), "status 0 " + COperator::FormatAverageTime(10, 0));
    for (std::size_t i = 0; i < volume->GetVoxelCount(); ++i) ASSERT_EQ(volume->GetVoxels()[i], Scaled(5.0f, 5));
}

TEST_F(BackProjectorTest, EntriesWithoutAProjectionKeepTheirStepAndTheirShareInN) {
    Choose(CLSID_TestRendererA);
    m_clearLog();
    m_frame.calls.clear();
    using K = CFakeCollection;
    CFakeCollection collection({K::loadable, K::missing, K::unloadable, K::loadable});
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(collection, *volume), S_OK);
    EXPECT_EQ(Log(), (std::vector<std::string>{"A ProcessCollection E_NOTIMPL", "A ProcessProjection 0",
                                               "A ProcessProjection 3"}));
    EXPECT_EQ(CountOf(collection.m_events, "unload 1"), 0u);  // GetItem gave nothing to unload
    EXPECT_EQ(CountOf(collection.m_events, "unload 2"), 1u);
    EXPECT_EQ(CountOf(m_frame.calls, "step"), 4u);
    EXPECT_EQ(volume->GetVoxels()[0], Scaled(2.0f, 4));
}

TEST_F(BackProjectorTest, AnEmptyCollectionLeavesTheVolumeZeroNotNaN) {
    Choose(CLSID_TestRendererA);
    CFakeCollection collection({});
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(collection, *volume), S_OK);
    for (std::size_t i = 0; i < volume->GetVoxelCount(); ++i) ASSERT_EQ(volume->GetVoxels()[i], 0.0f);
    EXPECT_EQ(m_frame.calls.front(), "range 0");
}

TEST_F(BackProjectorTest, ARendererThatTakesTheCollectionGetsNoProjectionsAndNoScaling) {
    Choose(CLSID_TestRendererA);
    ASSERT_EQ(m_doc.SetRendererOption("IsProcessCollection", "true"), S_OK);
    m_clearLog();
    m_frame.calls.clear();
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(3, CFakeCollection::loadable));
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(collection, *volume), S_OK);
    EXPECT_EQ(Log(), std::vector<std::string>{"A ProcessCollection 3"});
    EXPECT_EQ(m_frame.calls.front(), "range 3");  // its own Begin through IProgress
    EXPECT_EQ(CountOf(m_frame.calls, "step"), 3u);
    for (std::size_t i = 0; i < volume->GetVoxelCount(); ++i) ASSERT_EQ(volume->GetVoxels()[i], 3.0f);
}

TEST_F(BackProjectorTest, APhantomLeadsToOneSynthesizeAndNoScaling) {
    Choose(CLSID_TestRendererA);
    m_clearLog();
    CFakePhantom phantom(3);
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(phantom, *volume), S_OK);
    EXPECT_EQ(Log(), std::vector<std::string>{"A Synthesize 3"});
    EXPECT_EQ(m_doc.GetStatusText(), COperator::FormatAverageTime(10, 0));
    for (std::size_t i = 0; i < volume->GetVoxelCount(); ++i) ASSERT_EQ(volume->GetVoxels()[i], 1.5f);
}

TEST_F(BackProjectorTest, NothingRunsWithoutARendererOrOnAnotherKindOfTarget) {
    CFakeCollection collection({CFakeCollection::loadable});
    auto volume = SmallVolume();
    EXPECT_EQ(m_doc.Run(collection, *volume), E_NOINTERFACE);
    EXPECT_EQ(m_doc.Render(&collection, {}), nullptr);

    Choose(CLSID_TestRendererA);
    m_clearLog();
    CFakeOtherTarget other;
    EXPECT_EQ(m_doc.Run(other, *volume), E_INVALIDARG);
    EXPECT_EQ(m_doc.Render(nullptr, {}), nullptr);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(volume->GetVoxels()[0], 0.0f);
}

TEST_F(BackProjectorTest, TheRendererRefusesNullArguments) {
    Choose(CLSID_TestRendererA);
    IRenderer* renderer = Renderer();
    CFakePhantom phantom(1);
    CFakeCollection collection({CFakeCollection::loadable});
    auto volume = SmallVolume();
    IProgress* progress = m_doc.GetProgress();
    auto* ip = static_cast<IPhantom*>(phantom.GetInterface(IID_IPhantom));
    auto* ic = static_cast<IProjectionCollection*>(collection.GetInterface(IID_IProjectionCollection));
    IVolume* iv = volume->GetVolume();
    CFakeProjection projection(0);
    EXPECT_EQ(renderer->Synthesize(nullptr, ip, iv), E_POINTER);
    EXPECT_EQ(renderer->Synthesize(progress, nullptr, iv), E_POINTER);
    EXPECT_EQ(renderer->Synthesize(progress, ip, nullptr), E_POINTER);
    EXPECT_EQ(renderer->ProcessProjection(nullptr, &projection, iv), E_POINTER);
    EXPECT_EQ(renderer->ProcessProjection(progress, nullptr, iv), E_POINTER);
    EXPECT_EQ(renderer->ProcessProjection(progress, &projection, nullptr), E_POINTER);
    EXPECT_EQ(renderer->ProcessCollection(nullptr, ic, iv), E_POINTER);
    EXPECT_EQ(renderer->ProcessCollection(progress, nullptr, iv), E_POINTER);
    EXPECT_EQ(renderer->ProcessCollection(progress, ic, nullptr), E_POINTER);
    renderer->Release();
    EXPECT_EQ(volume->GetVoxels()[0], 0.0f);
}

TEST_F(BackProjectorTest, RenderMakesANewVolumeEachTimeAndRunsOnlyOnAnAllocatedOne) {
    Choose(CLSID_TestRendererA);
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(2, CFakeCollection::loadable));
    HRESULT hr = E_FAIL;
    auto first = m_doc.Render(&collection, {}, nullptr, &hr);
    EXPECT_EQ(hr, S_OK);
    auto second = m_doc.Render(&collection, {}, nullptr, &hr);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    for (const CVolume* v : {first.get(), second.get()}) {
        EXPECT_EQ(v->GetCountX(), 64u);
        EXPECT_EQ(v->GetCountZ(), 64u);
        EXPECT_EQ(v->GetDimY(), 2.0);
        EXPECT_EQ(v->GetPitchX(), 0.03125);
        EXPECT_EQ(v->GetVoxels()[12345], Scaled(2.0f, 2));
    }

    for (const CVolume* v : {first.get(), second.get()}) EXPECT_TRUE(v->IsModified());  // not saved anywhere yet

    // A geometry that makes no volume is refused before anything is made.
    m_clearLog();
    CBackProjector::VolumeSize bad;
    bad.nY = 0;
    EXPECT_EQ(m_doc.Render(&collection, bad, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_TRUE(Log().empty());
    bad = {};
    bad.dimZ = -2;
    EXPECT_EQ(m_doc.Render(&collection, bad, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, E_INVALIDARG);
}

TEST_F(BackProjectorTest, AVolumeBeyondTheMemoryAvailableIsRefusedBeforeAnyAllocation) {
    Choose(CLSID_TestRendererA);
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(2, CFakeCollection::loadable));
    CBackProjector::VolumeSize huge;
    huge.nX = 100000;
    huge.nY = huge.nZ = 96;
    EXPECT_EQ(CBackProjector::RenderMemory(huge), 100000ull * 96 * 96 * 4);
    setenv("VOXMILL_MEMORY_LIMIT", "2G", 1);
    HRESULT hr = S_OK;
    EXPECT_EQ(CBackProjector::CheckVolumeSize(huge, &hr),
              "No volume was made: a volume of 100000 x 96 x 96 voxels needs 3.4 GiB, 2.0 GiB available.");
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    // Refused before even the volume document is made.
    int made = 0;
    CDocTemplate volumes(132, "\nVolume\nVolume\n\n\n\n", true, [&made] {
        ++made;
        return static_cast<CDocument*>(new CVolume);
    });
    m_clearLog();
    EXPECT_EQ(m_doc.Render(&collection, huge, &volumes, &hr), nullptr);
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(made, 0);
    EXPECT_TRUE(Log().empty());
    // Counts whose product does not fit 64 bits are refused the same way.
    CBackProjector::VolumeSize overflowing;
    overflowing.nX = overflowing.nY = overflowing.nZ = 4000000000u;
    EXPECT_FALSE(CBackProjector::RenderMemory(overflowing));
    EXPECT_EQ(CBackProjector::CheckVolumeSize(overflowing, &hr),
              "No volume was made: a volume of 4000000000 x 4000000000 x 4000000000 voxels is larger than any memory.");
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    unsetenv("VOXMILL_MEMORY_LIMIT");
    EXPECT_EQ(CBackProjector::CheckVolumeSize({}, &hr), "");
    EXPECT_EQ(hr, S_OK);
}

TEST_F(BackProjectorTest, TheProgressSinkConvertsTheCaptionAndStartsTheOperatorRun) {
    IProgress* progress = m_doc.GetProgress();
    std::u16string caption = u"R\u00e9sum\u00e9 \U0001F600";
    EXPECT_EQ(progress->Begin(2, caption.data()), S_OK);
    EXPECT_EQ(m_doc.m_strStepText, "R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(m_doc.m_nSteps, 2u);
    EXPECT_EQ(progress->Step(), S_OK);
    EXPECT_EQ(m_doc.m_nStep, 1u);
    EXPECT_EQ(progress->Begin(-3, nullptr), S_OK);
    EXPECT_EQ(m_doc.m_nSteps, 0u);
    EXPECT_EQ(m_doc.m_strStepText, "");
}

TEST_F(BackProjectorTest, ACancelAtStepThreeOfTenStopsTheRunAndDeletesTheVolume) {
    Choose(CLSID_TestRendererA);
    m_clearLog();
    m_frame.calls.clear();
    m_frame.cancelAtStep = 3;
    CFakeCollection collection(std::vector<CFakeCollection::EntryKind>(10, CFakeCollection::loadable));
    HRESULT hr = S_OK;
    EXPECT_EQ(m_doc.Render(&collection, {}, nullptr, &hr), nullptr);
    EXPECT_EQ(hr, E_ABORT);
    EXPECT_EQ(Log(), (std::vector<std::string>{"A ProcessCollection E_NOTIMPL", "A ProcessProjection 0",
                                               "A ProcessProjection 1", "A ProcessProjection 2"}));
    EXPECT_EQ(CountOf(m_frame.calls, "step"), 3u);
    EXPECT_EQ(m_frame.calls.back(), "status 0 Cancelled");
    EXPECT_EQ(m_frame.calls[m_frame.calls.size() - 2], "hide");

    // The next run is whole again.
    m_frame.cancel = false;
    m_frame.cancelAtStep = 0;
    auto volume = m_doc.Render(&collection, {}, nullptr, &hr);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(m_doc.GetStatusText(), COperator::FormatAverageTime(10, 0));
}

TEST_F(BackProjectorTest, ACancelWithoutAFrameReachesTheRendererAsEAbort) {
    IProgress* progress = m_doc.GetProgress();
    std::u16string caption = u"Backprojecting...";
    ASSERT_EQ(progress->Begin(4, caption.data()), S_OK);
    EXPECT_EQ(progress->Step(), S_OK);
    m_doc.RequestCancel();
    EXPECT_TRUE(m_doc.CancelRequested());
    EXPECT_EQ(progress->Step(), E_ABORT);
    m_doc.EndCancelledRun();  // honoured: the request is spent
    EXPECT_FALSE(m_doc.CancelRequested());
    EXPECT_EQ(m_doc.GetStatusText(), "Cancelled");
}

TEST_F(BackProjectorTest, ABackprojectorFileIsEmptyAndAnOpenedOneCanStillHostARenderer) {
    Choose(CLSID_TestRendererA);
    const std::string path = m_folder.File("b.brp");
    m_doc.Save(path);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    CBackProjector opened;
    opened.m_bAutoDelete = false;
    opened.Open(path);
    EXPECT_FALSE(opened.HasRenderer());
    EXPECT_EQ(opened.ChooseRenderer(CLSID_TestRendererB, m_registry), CBackProjector::RendererChoice::replaced);
    EXPECT_EQ(CountOf(Log(), "B InitNew directory"), 1u);
}

TEST(HResultText, NamedCodesCarryTheirNameAndTheNumber) {
    EXPECT_EQ(HResultName(E_INVALIDARG), "E_INVALIDARG (0x80070057)");
    EXPECT_EQ(HResultName(E_FAIL), "E_FAIL (0x80004005)");
    EXPECT_EQ(HResultName(S_OK), "S_OK (0x00000000)");
    EXPECT_EQ(HResultName(REGDB_E_CLASSNOTREG), "REGDB_E_CLASSNOTREG (0x80040154)");
    EXPECT_EQ(HResultName(MakeHResult(0x80041234u)), "0x80041234");
}

}  // namespace
}  // namespace voxmill
