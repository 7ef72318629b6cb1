// The Karvex control: its eight properties through IDispatch, its result
// codes, the progress of a run, the farm fallback, and the OLE object
// calls it shares with Tessor.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contract/Ole.h"
#include "fft/Spectrion.h"
#include "renderers/common/RowFilter.h"
#include "renderers/karvex/KarvexCtrl.h"
#include "renderers/karvex/KarvexIds.h"
#include "tests/renderers/common/FakeCollection.h"
#include "tests/renderers/common/FakePhantom.h"
#include "tests/renderers/common/FakeProgress.h"
#include "tests/renderers/common/FakeSite.h"
#include "tests/renderers/common/FakeVolume.h"

namespace voxmill {
namespace {

struct CtrlReleaser {
    void operator()(CKarvexCtrl* c) const { c->Release(); }
};
using CtrlPtr = std::unique_ptr<CKarvexCtrl, CtrlReleaser>;

CtrlPtr NewCtrl() { return CtrlPtr(CKarvexCtrl::Create()); }

HRESULT Put(IDispatch* d, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return d->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

VARIANT Get(IDispatch* d, DISPID id) {
    VARIANT result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(d->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    return result;
}

VARIANT Long(LONG v) {
    VARIANT r;
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

VARIANT Bool(bool v) {
    VARIANT r;
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

TEST(KarvexCtrl, PropertiesWithTheirIdsTypesAndDefaults) {
    CtrlPtr ctrl = NewCtrl();
    const struct {
        const char16_t* name;
        DISPID id;
        VARTYPE type;
        LONG value;
    } expected[] = {
        {u"IsFiltering", 1, VT_BOOL, VARIANT_TRUE},
        {u"IsAllowedIndexLutBoost", 2, VT_BOOL, VARIANT_TRUE},
        {u"IsAllowedSimmetryBoost", 3, VT_BOOL, VARIANT_TRUE},
        {u"InterpolationMode", 4, VT_I4, 0},
        {u"IsAllowedSkipInterpolation", 5, VT_BOOL, VARIANT_TRUE},
        {u"IsFixedPoint", 6, VT_BOOL, VARIANT_TRUE},
        {u"IsPadFFT", 7, VT_BOOL, VARIANT_TRUE},
        {u"isrealfft", 8, VT_BOOL, VARIANT_TRUE},  // names compare without case
        {u"FilterWindow", 9, VT_I4, 0},
        {u"FilterCutoff", 10, VT_I4, 100},
        {u"ShortScanWeighting", 11, VT_BOOL, VARIANT_TRUE},
    };
    for (const auto& e : expected) {
        const OLECHAR* names[] = {e.name};
        DISPID id = 0;
        ASSERT_EQ(ctrl->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, e.id);
        const VARIANT v = Get(ctrl.get(), e.id);
        EXPECT_EQ(v.vt, e.type) << e.id;
        EXPECT_EQ(e.type == VT_I4 ? v.lVal : v.boolVal, e.value) << e.id;
    }
    const OLECHAR* unknown[] = {u"IsProcessCollection"};
    DISPID id = 0;
    EXPECT_EQ(ctrl->GetIDsOfNames(GUID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_FALSE(ctrl->IsModified());

    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_ISFIXEDPOINT, Bool(false)), S_OK);
    EXPECT_FALSE(ctrl->Options().fixedPoint);
    EXPECT_TRUE(ctrl->IsModified());
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_INTERPOLATIONMODE, Long(2)), S_OK);
    EXPECT_EQ(Get(ctrl.get(), DISPID_KARVEX_INTERPOLATIONMODE).lVal, 2);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_INTERPOLATIONMODE, Long(3)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), 12, Bool(true)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_FILTERWINDOW, Long(4)), S_OK);
    EXPECT_EQ(ctrl->Options().filterWindow, 4);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_FILTERWINDOW, Long(5)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_FILTERCUTOFF, Long(0)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_FILTERCUTOFF, Long(101)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_FILTERCUTOFF, Long(80)), S_OK);
    EXPECT_EQ(ctrl->Options().filterCutoff, 80);
    VARIANT real;
    real.vt = VT_R8;
    EXPECT_EQ(Put(ctrl.get(), DISPID_KARVEX_ISPADFFT, real), DISP_E_TYPEMISMATCH);

    ASSERT_EQ(ctrl->InitNew(nullptr), S_OK);
    EXPECT_TRUE(ctrl->Options().fixedPoint);
    EXPECT_EQ(ctrl->Options().interpolationMode, 0);
    EXPECT_EQ(ctrl->Options().filterWindow, 0);
    EXPECT_EQ(ctrl->Options().filterCutoff, 100);
    EXPECT_FALSE(ctrl->IsModified());
}

TEST(KarvexCtrl, IdentifiesItselfAndListsItsPage) {
    CtrlPtr ctrl = NewCtrl();
    CLSID clsid{};
    ASSERT_EQ(ctrl->GetUserClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_KarvexCtrl);
    OLECHAR* name = nullptr;
    ASSERT_EQ(ctrl->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Karvex Control");
    CoTaskMemFree(name);
    CAUUID pages{};
    ASSERT_EQ(ctrl->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_KarvexPropPage);
    CoTaskMemFree(pages.pElems);
    void* dispatch = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(DIID__DKarvex, &dispatch), S_OK);
    static_cast<IDispatch*>(dispatch)->Release();
}

TEST(KarvexCtrl, SinksThatUnadviseThemselvesWhileClosingAreToldOnce) {
    CtrlPtr ctrl = NewCtrl();
    test::CloseWithSelfRemovingSinks(ctrl.get(), [](const test::FakeSite& site) {
        EXPECT_EQ(site.closes, 1);
        EXPECT_EQ(site.refs, 0);
        for (HRESULT hr : site.unadviseResults) EXPECT_EQ(hr, E_INVALIDARG);
    });
}

class KarvexCtrlRun : public ::testing::Test {
protected:
    KarvexCtrlRun() : collection(Acquisition(), 12, &phantom), volume(2.0, 12) {}
    static test::Acquisition Acquisition() {
        test::Acquisition a;
        a.columns = a.rows = 16;
        return a;
    }
    test::AnalyticPhantom phantom{{test::Ellipsoid::Ball(0.5, 1.0)}};
    test::FakeCollection collection;
    test::FakeVolume volume;
    test::FakeProgress progress;
    CtrlPtr ctrl = NewCtrl();
};

TEST_F(KarvexCtrlRun, TakesOnlyWholeCollections) {
    test::FakeProjection& p = collection.Projection(0);
    EXPECT_EQ(ctrl->ProcessProjection(nullptr, &p, &volume), E_POINTER);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, nullptr, &volume), E_POINTER);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &p, nullptr), E_POINTER);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &p, &volume), E_NOTIMPL);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, nullptr, &volume), E_POINTER);
    EXPECT_EQ(ctrl->ProcessCollection(nullptr, &collection, &volume), E_POINTER);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, nullptr), E_POINTER);
    collection.SetValid(0);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), E_INVALIDARG);
    EXPECT_EQ(progress.begins, 0);
    for (float v : volume.Voxels()) ASSERT_EQ(v, 0.0f);
}

TEST_F(KarvexCtrlRun, InitializesThenBackprojectsHalfTheStepsWithTheAngularSymmetry) {
    ASSERT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), S_OK);
    std::vector<std::string> expected = {"begin 1 Initializing...", "step", "begin 6 Backprojecting..."};
    for (int n = 0; n < 6; ++n) expected.push_back("step");
    EXPECT_EQ(progress.log, expected);
    EXPECT_TRUE(ctrl->LastPlan().angular);
    EXPECT_TRUE(ctrl->LastPlan().indexTable);
    // Every entry loaded and unloaded once, one in memory at a time.
    int loads = 0;
    for (const std::string& line : collection.log) loads += line.rfind("load ", 0) == 0;
    // Entry 0 once more for the detector geometry, and every entry once more
    // for its angle (the short-scan check).
    EXPECT_EQ(loads, 25);

    test::FakeProgress odd;
    ASSERT_EQ(Put(ctrl.get(), DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST, Bool(false)), S_OK);
    ASSERT_EQ(ctrl->ProcessCollection(&odd, &collection, &volume), S_OK);
    EXPECT_EQ(odd.count, 12);
    EXPECT_EQ(odd.steps, 13);
}

Spectrion* NoFarm(int, bool) { return nullptr; }

TEST_F(KarvexCtrlRun, AFarmThatCannotBeHadTurnsFilteringOffForGood) {
    const auto previous = CRowFilter::SetFarmSource(&NoFarm);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), S_OK);
    CRowFilter::SetFarmSource(previous);
    EXPECT_EQ(Get(ctrl.get(), DISPID_KARVEX_ISFILTERING).boolVal, VARIANT_FALSE);
    EXPECT_FALSE(ctrl->LastPlan().filtering);
    // The farm is back, but the switch stays off.
    test::FakeVolume again(2.0, 12);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &again), S_OK);
    EXPECT_FALSE(ctrl->LastPlan().filtering);
    EXPECT_EQ(again.Voxels(), volume.Voxels());
}

TEST_F(KarvexCtrlRun, SynthesizesLikeTessor) {
    test::FakePhantom fake;
    fake.Add(test::Ellipsoid::Ball(0.5, 2.0));
    ASSERT_EQ(ctrl->Synthesize(&progress, &fake, &volume), S_OK);
    EXPECT_EQ(progress.caption, "Sinthetizing...");
    EXPECT_EQ(progress.count, 1);
    EXPECT_EQ(volume.At(6, 6, 6), 2.0f);
    EXPECT_EQ(volume.At(0, 0, 0), 0.0f);
    EXPECT_EQ(ctrl->Synthesize(&progress, nullptr, &volume), E_POINTER);
}

}  // namespace
}  // namespace voxmill
