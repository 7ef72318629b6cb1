// The advise-sink list: references, connection numbers, and a close that
// survives sinks removing themselves (or each other) while being told.
#include <gtest/gtest.h>

#include "renderers/common/AdviseSinks.h"
#include "tests/renderers/common/FakeSite.h"

namespace voxmill {
namespace {

TEST(AdviseSinks, HoldOneReferencePerConnection) {
    test::FakeSite site;
    {
        CAdviseSinks sinks;
        DWORD first = 0, second = 0;
        ASSERT_EQ(sinks.Advise(&site, &first), S_OK);
        ASSERT_EQ(sinks.Advise(&site, &second), S_OK);
        EXPECT_NE(first, second);
        EXPECT_EQ(site.refs, 2);
        EXPECT_EQ(sinks.Unadvise(first), S_OK);
        EXPECT_EQ(sinks.Unadvise(first), E_INVALIDARG);
        EXPECT_EQ(sinks.Advise(nullptr, &first), E_POINTER);
        EXPECT_EQ(site.refs, 1);
    }
    EXPECT_EQ(site.refs, 0);  // the destructor releases without telling
    EXPECT_EQ(site.closes, 0);
}

// An IOleObject over nothing but the sink list, so the list's close can be
// driven through the interface the sinks call back.
class SinkOnlyObject : public IOleObject {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetClientSite(IOleClientSite*) override { return S_OK; }
    HRESULT GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    HRESULT Close(DWORD) override {
        sinks.CloseAll();
        return S_OK;
    }
    HRESULT GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT GetUserType(DWORD, OLECHAR**) override { return E_NOTIMPL; }
    HRESULT Advise(IAdviseSink* sink, DWORD* connection) override { return sinks.Advise(sink, connection); }
    HRESULT Unadvise(DWORD connection) override { return sinks.Unadvise(connection); }
    CAdviseSinks sinks;
};

TEST(AdviseSinks, CloseTellsEverySinkOnceEvenWhenSinksUnadviseDuringIt) {
    SinkOnlyObject object;
    test::CloseWithSelfRemovingSinks(&object, [](const test::FakeSite& site) {
        EXPECT_EQ(site.closes, 1);
        EXPECT_EQ(site.refs, 0);
        ASSERT_EQ(site.unadviseResults.size(), 3u);
        for (HRESULT hr : site.unadviseResults) EXPECT_EQ(hr, E_INVALIDARG);
    });
    EXPECT_EQ(object.sinks.Count(), 0u);
}

}  // namespace
}  // namespace voxmill
