// The control: its result codes, properties through IDispatch, OLE object
// calls, the progress of a collection run and the voxelization.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "contract/Ole.h"
#include "renderers/tessor/TessorCtrl.h"
#include "renderers/tessor/TessorIds.h"
#include "tests/renderers/common/FakeCollection.h"
#include "tests/renderers/common/FakePhantom.h"
#include "tests/renderers/common/FakeProgress.h"
#include "tests/renderers/common/FakeSite.h"
#include "tests/renderers/common/FakeVolume.h"

namespace voxmill {
namespace {

struct CtrlReleaser {
    void operator()(CTessorCtrl* c) const { c->Release(); }
};
using CtrlPtr = std::unique_ptr<CTessorCtrl, CtrlReleaser>;

CtrlPtr NewCtrl() { return CtrlPtr(CTessorCtrl::Create()); }

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

VARIANT Short(SHORT v) {
    VARIANT r;
    r.vt = VT_I2;
    r.iVal = v;
    return r;
}

VARIANT Bool(bool v) {
    VARIANT r;
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

void SetCollectionMode(CTessorCtrl* ctrl, bool on) { ASSERT_EQ(Put(ctrl, 2, Bool(on)), S_OK); }

bool AllZero(const std::vector<float>& v) {
    for (float x : v)
        if (x != 0.0f) return false;
    return true;
}

class TessorCtrlRun : public ::testing::Test {
protected:
    TessorCtrlRun() : collection(Acquisition(), 12, &phantom), volume(2.0, 12) {}
    static test::Acquisition Acquisition() {
        test::Acquisition a;
        a.columns = a.rows = 16;
        return a;
    }
    test::AnalyticPhantom phantom{{test::Ellipsoid::Ball(0.5, 1.0)}};
    test::FakeCollection collection;
    test::FakeVolume volume;
    test::FakeProgress progress;
    test::FakePhantom fakePhantom;
    CtrlPtr ctrl = NewCtrl();
};

TEST_F(TessorCtrlRun, NullArgumentsGiveEPointerBeforeAnythingElse) {
    IProjection* projection = &collection.Projection(0);
    for (bool collectionMode : {false, true}) {
        SetCollectionMode(ctrl.get(), collectionMode);
        EXPECT_EQ(ctrl->Synthesize(nullptr, &fakePhantom, &volume), E_POINTER);
        EXPECT_EQ(ctrl->Synthesize(&progress, nullptr, &volume), E_POINTER);
        EXPECT_EQ(ctrl->Synthesize(&progress, &fakePhantom, nullptr), E_POINTER);
        EXPECT_EQ(ctrl->ProcessProjection(nullptr, projection, &volume), E_POINTER);
        EXPECT_EQ(ctrl->ProcessProjection(&progress, nullptr, &volume), E_POINTER);
        EXPECT_EQ(ctrl->ProcessProjection(&progress, projection, nullptr), E_POINTER);
        EXPECT_EQ(ctrl->ProcessCollection(nullptr, &collection, &volume), E_POINTER);
        EXPECT_EQ(ctrl->ProcessCollection(&progress, nullptr, &volume), E_POINTER);
        EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, nullptr), E_POINTER);
    }
    EXPECT_EQ(progress.begins, 0);
    EXPECT_TRUE(collection.log.empty());
    EXPECT_TRUE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, WrongModeGivesENotImplAndDoesNothing) {
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), E_NOTIMPL);
    SetCollectionMode(ctrl.get(), true);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &collection.Projection(0), &volume), E_NOTIMPL);
    EXPECT_EQ(progress.begins, 0);
    EXPECT_TRUE(collection.log.empty());
    EXPECT_TRUE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, InvalidCollectionGivesEInvalidArg) {
    SetCollectionMode(ctrl.get(), true);
    collection.SetValid(0);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), E_INVALIDARG);
    EXPECT_EQ(progress.begins, 0);
    EXPECT_TRUE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, CollectionRunStepsOncePerEntryAndUnloadsEachAfterUse) {
    SetCollectionMode(ctrl.get(), true);
    collection.Empty(5);  // holds nothing: skipped, still stepped and counted
    ASSERT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), S_OK);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.count, 12);
    EXPECT_EQ(progress.caption, "Backprojecting...");
    EXPECT_EQ(progress.steps, 12);
    for (int n = 0; n < 12; ++n) {
        EXPECT_FALSE(collection.Projection(n).WasReadWhileUnloaded()) << n;
        const auto item = std::find(collection.log.rbegin(), collection.log.rend(), "item " + std::to_string(n));
        EXPECT_NE(item, collection.log.rend()) << n;
    }
    for (int n : {0, 4, 6, 11})
        EXPECT_NE(std::find(collection.log.begin(), collection.log.end(), "unload " + std::to_string(n)),
                  collection.log.end());
    EXPECT_EQ(std::find(collection.log.begin(), collection.log.end(), "unload 5"), collection.log.end());
    EXPECT_FALSE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, EmptyCollectionStartsNoStepsAndChangesNothing) {
    SetCollectionMode(ctrl.get(), true);
    test::FakeCollection empty(Acquisition(), 0, nullptr);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &empty, &volume), S_OK);
    EXPECT_EQ(progress.count, 0);
    EXPECT_EQ(progress.steps, 0);
    EXPECT_TRUE(AllZero(volume.Voxels()));
}

// The detector grid comes from the first entry that can be had: a missing
// first entry is skipped like any other; only a collection without a
// usable entry is refused, before the progress begins.
TEST_F(TessorCtrlRun, UnusableFirstEntryIsSkippedAndNoUsableEntryGivesEInvalidArg) {
    SetCollectionMode(ctrl.get(), true);
    collection.Empty(0);
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), S_OK);
    EXPECT_EQ(progress.steps, 12);
    EXPECT_FALSE(AllZero(volume.Voxels()));

    test::FakeCollection none(Acquisition(), 3, &phantom);
    for (int n = 0; n < 3; ++n) none.Empty(n);
    test::FakeVolume untouched(2.0, 12);
    test::FakeProgress quiet;
    EXPECT_EQ(ctrl->ProcessCollection(&quiet, &none, &untouched), E_INVALIDARG);
    EXPECT_EQ(quiet.begins, 0);
    EXPECT_TRUE(AllZero(untouched.Voxels()));
}

TEST_F(TessorCtrlRun, EntriesWithAnotherPixelGridAreSkipped) {
    SetCollectionMode(ctrl.get(), true);
    test::Acquisition small = Acquisition();
    small.columns = 3;
    small.rows = 2;
    test::FakeCollection mixed(Acquisition(), 3, &phantom);
    mixed.Add(std::make_unique<test::FakeProjection>(small, 1.0));
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &mixed, &volume), S_OK);
    EXPECT_EQ(progress.steps, 4);
}

TEST_F(TessorCtrlRun, BadProjectionsAreRefusedWithoutTouchingTheVolume) {
    test::FakeProjection nullData(Acquisition(), 0.0);
    nullData.SetNullData();
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &nullData, &volume), E_FAIL);
    test::Acquisition none = Acquisition();
    none.columns = 0;
    test::FakeProjection noColumns(none, 0.0);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &noColumns, &volume), E_INVALIDARG);
    test::FakeProjection singular(Acquisition(), 0.0);
    singular.SetSingular();
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &singular, &volume), E_INVALIDARG);
    test::FakeVolume noBuffer(2.0, 12);
    noBuffer.SetNullData();
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &collection.Projection(0), &noBuffer), E_FAIL);
    test::FakeVolume noVoxels(2.0, 2.0, 2.0, 0, 4, 4);
    EXPECT_EQ(ctrl->ProcessProjection(&progress, &collection.Projection(0), &noVoxels), E_INVALIDARG);
    EXPECT_TRUE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, NonFinitePixelsGiveAFiniteVolume) {
    test::FakeProjection p(Acquisition(), 0.4);
    p.Project(phantom);
    p.Pixels()[100] = std::numeric_limits<float>::infinity();
    p.Pixels()[7] = std::nanf("");
    ASSERT_EQ(ctrl->ProcessProjection(&progress, &p, &volume), S_OK);
    for (float v : volume.Voxels()) ASSERT_TRUE(std::isfinite(v));
    EXPECT_FALSE(AllZero(volume.Voxels()));
}

TEST_F(TessorCtrlRun, SynthesizeFillsABallWithItsMuAndOverlapsAdd) {
    fakePhantom.Add(test::Ellipsoid::Ball(0.5, 1.5));
    fakePhantom.AddMissing();
    fakePhantom.Add(test::Ellipsoid::Ball(0.3, 0.25, 0.4, 0.0, 0.0));
    ASSERT_EQ(ctrl->Synthesize(&progress, &fakePhantom, &volume), S_OK);
    EXPECT_EQ(progress.count, 3);
    EXPECT_EQ(progress.caption, "Sinthetizing...");
    EXPECT_EQ(progress.steps, 3);
    EXPECT_EQ(fakePhantom.Element(0)->samples, 12 * 12 * 12);
    for (int k = 0; k < 12; ++k) {
        for (int j = 0; j < 12; ++j) {
            for (int i = 0; i < 12; ++i) {
                const double x = volume.X(i), y = volume.Y(j), z = volume.Z(k);
                const bool big = x * x + y * y + z * z < 0.25;
                const bool small = (x - 0.4) * (x - 0.4) + y * y + z * z < 0.09;
                const float expected = (big ? 1.5f : 0.0f) + (small ? 0.25f : 0.0f);
                EXPECT_FLOAT_EQ(volume.At(i, j, k), expected) << x << " " << y << " " << z;
            }
        }
    }
}

TEST_F(TessorCtrlRun, SynthesizeOfAnEmptyPhantomBeginsWithNoStepsAndChangesNothing) {
    for (float& v : volume.Voxels()) v = 3.0f;
    ASSERT_EQ(ctrl->Synthesize(&progress, &fakePhantom, &volume), S_OK);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.count, 0);
    EXPECT_EQ(progress.steps, 0);
    for (float v : volume.Voxels()) EXPECT_EQ(v, 3.0f);
}

TEST_F(TessorCtrlRun, ACancelledStepStopsTheRunThere) {
    SetCollectionMode(ctrl.get(), true);
    progress.abortAt = 3;
    EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, &volume), E_ABORT);
    EXPECT_EQ(progress.steps, 3);

    test::FakeProgress synthesis;
    synthesis.abortAt = 1;
    fakePhantom.Add(test::Ellipsoid::Ball(0.5, 1.5));
    fakePhantom.Add(test::Ellipsoid::Ball(0.3, 0.25, 0.4, 0.0, 0.0));
    EXPECT_EQ(ctrl->Synthesize(&synthesis, &fakePhantom, &volume), E_ABORT);
    EXPECT_EQ(synthesis.steps, 1);
    EXPECT_EQ(fakePhantom.Element(1)->samples, 0);
}

TEST(TessorCtrl, ThreadCountComesFromTheEnvironment) {
    // The .own run sets VOXMILL_THREADS=3; the other leaves it unset.
    const char* env = std::getenv("VOXMILL_THREADS");
    const int expected = env && std::atoi(env) > 0 ? std::atoi(env)
                                                   : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    EXPECT_EQ(NewCtrl()->Threads(), expected);
    CtrlPtr ctrl = NewCtrl();
    ctrl->SetThreads(0);
    EXPECT_EQ(ctrl->Threads(), 1);
}

TEST(TessorCtrl, PropertiesByNameAndIdStartAtZero) {
    CtrlPtr ctrl = NewCtrl();
    const OLECHAR* names[] = {u"InterpolationMode"};
    DISPID id = 0;
    ASSERT_EQ(ctrl->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1);
    const OLECHAR* other[] = {u"isprocesscollection"};
    ASSERT_EQ(ctrl->GetIDsOfNames(GUID_NULL, other, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 2);
    const OLECHAR* unknown[] = {u"Interpolation"};
    EXPECT_EQ(ctrl->GetIDsOfNames(GUID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(ctrl->GetIDsOfNames(GUID_NULL, nullptr, 1, 0, &id), E_POINTER);

    const VARIANT mode = Get(ctrl.get(), 1);
    EXPECT_EQ(mode.vt, VT_I2);
    EXPECT_EQ(mode.iVal, 0);
    const VARIANT collection = Get(ctrl.get(), 2);
    EXPECT_EQ(collection.vt, VT_BOOL);
    EXPECT_EQ(collection.boolVal, VARIANT_FALSE);
    EXPECT_FALSE(ctrl->IsModified());
}

TEST(TessorCtrl, PutMarksModifiedAndChecksItsValue) {
    CtrlPtr ctrl = NewCtrl();
    ASSERT_EQ(Put(ctrl.get(), 2, Bool(true)), S_OK);
    EXPECT_TRUE(ctrl->IsProcessCollection());
    EXPECT_TRUE(ctrl->IsModified());
    EXPECT_EQ(Get(ctrl.get(), 2).boolVal, VARIANT_TRUE);
    ASSERT_EQ(Put(ctrl.get(), 1, Short(2)), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 1).iVal, 2);
    EXPECT_EQ(Put(ctrl.get(), 1, Short(3)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), 1, Short(-1)), E_INVALIDARG);
    EXPECT_EQ(ctrl->InterpolationMode(), 2);
    VARIANT real;
    real.vt = VT_R8;
    real.dblVal = 1.0;
    EXPECT_EQ(Put(ctrl.get(), 1, real), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(ctrl.get(), 7, Short(0)), DISP_E_MEMBERNOTFOUND);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(ctrl->Invoke(1, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(ctrl->Invoke(1, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr), E_POINTER);

    // A new storage starts the control over.
    ASSERT_EQ(ctrl->InitNew(nullptr), S_OK);
    EXPECT_EQ(ctrl->InterpolationMode(), 0);
    EXPECT_FALSE(ctrl->IsProcessCollection());
    EXPECT_FALSE(ctrl->IsModified());
}

TEST(TessorCtrl, FilterWindowCutoffAndPaddingAfterTheProgramsProperties) {
    CtrlPtr ctrl = NewCtrl();
    const struct {
        const char16_t* name;
        DISPID id;
        VARTYPE type;
        LONG value;
    } expected[] = {{u"FilterWindow", 3, VT_I4, 0}, {u"filtercutoff", 4, VT_I4, 100}, {u"ZeroPadding", 5, VT_BOOL, 0},
                    {u"ShortScanWeighting", 6, VT_BOOL, VARIANT_TRUE}};
    for (const auto& e : expected) {
        const OLECHAR* names[] = {e.name};
        DISPID id = 0;
        ASSERT_EQ(ctrl->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, e.id);
        const VARIANT v = Get(ctrl.get(), e.id);
        EXPECT_EQ(v.vt, e.type);
        EXPECT_EQ(e.type == VT_I4 ? v.lVal : v.boolVal, e.value) << e.id;
    }
    VARIANT window;
    window.vt = VT_I4;
    window.lVal = 4;
    EXPECT_EQ(Put(ctrl.get(), 3, window), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 3).lVal, 4);
    window.lVal = 5;
    EXPECT_EQ(Put(ctrl.get(), 3, window), E_INVALIDARG);
    window.lVal = -1;
    EXPECT_EQ(Put(ctrl.get(), 3, window), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), 4, Short(0)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), 4, Short(101)), E_INVALIDARG);
    EXPECT_EQ(Put(ctrl.get(), 4, Short(50)), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 4).lVal, 50);
    EXPECT_EQ(Put(ctrl.get(), 5, Bool(true)), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 5).boolVal, VARIANT_TRUE);
    EXPECT_EQ(Put(ctrl.get(), 6, Bool(false)), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 6).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Put(ctrl.get(), 7, Bool(true)), DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(ctrl->InitNew(nullptr), S_OK);
    EXPECT_EQ(Get(ctrl.get(), 3).lVal, 0);
    EXPECT_EQ(Get(ctrl.get(), 4).lVal, 100);
    EXPECT_EQ(Get(ctrl.get(), 5).boolVal, VARIANT_FALSE);
    EXPECT_EQ(Get(ctrl.get(), 6).boolVal, VARIANT_TRUE);
}

TEST(TessorCtrl, AnswersForItsInterfacesWithOneIdentity) {
    CtrlPtr ctrl = NewCtrl();
    void* unknown = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IUnknown, &unknown), S_OK);
    for (const IID* iid : {&IID_IRenderer, &IID_IDispatch, &DIID__DTessor, &IID_IOleObject,
                           &IID_ISpecifyPropertyPages, &IID_IPersistStorage}) {
        void* p = nullptr;
        ASSERT_EQ(ctrl->QueryInterface(*iid, &p), S_OK);
        void* back = nullptr;
        static_cast<IUnknown*>(p)->QueryInterface(IID_IUnknown, &back);
        EXPECT_EQ(back, unknown);
        static_cast<IUnknown*>(back)->Release();
        static_cast<IUnknown*>(p)->Release();
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(ctrl->QueryInterface(IID_IPropertyPage, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    static_cast<IUnknown*>(unknown)->Release();
    EXPECT_EQ(ctrl->AddRef(), 2u);
    EXPECT_EQ(ctrl->Release(), 1u);
}

TEST(TessorCtrl, UserTypeClassIdAndPropertyPage) {
    CtrlPtr ctrl = NewCtrl();
    OLECHAR* name = nullptr;
    ASSERT_EQ(ctrl->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Tessor Control");
    CoTaskMemFree(name);
    EXPECT_EQ(ctrl->GetUserType(USERCLASSTYPE_FULL, nullptr), E_POINTER);
    CLSID clsid{};
    ASSERT_EQ(ctrl->GetUserClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TessorCtrl);
    CAUUID pages{};
    ASSERT_EQ(ctrl->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_TessorPropPage);
    CoTaskMemFree(pages.pElems);
}

TEST(TessorCtrl, HoldsItsClientSiteAndSinksUntilClosed) {
    CtrlPtr ctrl = NewCtrl();
    test::FakeSite site;
    ASSERT_EQ(ctrl->SetClientSite(&site), S_OK);
    EXPECT_EQ(site.refs, 1);
    IOleClientSite* got = nullptr;
    ASSERT_EQ(ctrl->GetClientSite(&got), S_OK);
    EXPECT_EQ(got, &site);
    got->Release();
    DWORD first = 0, second = 0;
    ASSERT_EQ(ctrl->Advise(&site, &first), S_OK);
    ASSERT_EQ(ctrl->Advise(&site, &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(ctrl->Unadvise(first), S_OK);
    EXPECT_EQ(ctrl->Unadvise(first), E_INVALIDARG);
    EXPECT_EQ(site.refs, 2);
    ASSERT_EQ(ctrl->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(site.closes, 1);
    EXPECT_EQ(site.refs, 0);
}

TEST(TessorCtrl, SinksThatUnadviseThemselvesWhileClosingAreToldOnce) {
    CtrlPtr ctrl = NewCtrl();
    test::CloseWithSelfRemovingSinks(ctrl.get(), [](const test::FakeSite& site) {
        EXPECT_EQ(site.closes, 1);
        EXPECT_EQ(site.refs, 0);
        for (HRESULT hr : site.unadviseResults) EXPECT_EQ(hr, E_INVALIDARG);
    });
}

}  // namespace
}  // namespace voxmill

namespace voxmill {
namespace {

TEST(TessorCtrl, BothModesScaleByTheProgramsExpressionToTheBit) {
    // Six projections at quarter turns, so every one has exactly the same
    // distances (R = 4, D = 8) as the first, which collection mode uses for
    // all: the two modes then differ only in how they apply 2 pi / 6.
    const test::AnalyticPhantom phantom{{test::Ellipsoid::Ball(0.6, 1.0), {0.2, -0.1, 0.1, 0.2, 0.3, 0.15, 0.5}}};
    test::Acquisition a;
    a.columns = a.rows = 24;
    test::FakeCollection collection(a, 0, nullptr);
    for (int n = 0; n < 6; ++n) {
        auto p = std::make_unique<test::FakeProjection>(a, (n % 4) * 3.141592653589793 / 2);
        p->Project(phantom);
        collection.Add(std::move(p));
    }
    CtrlPtr ctrl = NewCtrl();
    test::FakeProgress progress;
    test::FakeVolume byProjection(2.0, 15), byCollection(2.0, 15);
    for (int n = 0; n < 6; ++n)
        ASSERT_EQ(ctrl->ProcessProjection(&progress, &collection.Projection(n), &byProjection), S_OK);
    // The program's loop scales by v * 2 pi / N, evaluated left to right.
    for (float& v : byProjection.Voxels()) v = static_cast<float>(static_cast<double>(v) * 6.283185307179586 / 6.0);
    SetCollectionMode(ctrl.get(), true);
    ASSERT_EQ(ctrl->ProcessCollection(&progress, &collection, &byCollection), S_OK);
    EXPECT_EQ(byCollection.Voxels(), byProjection.Voxels());
}

}  // namespace
}  // namespace voxmill
