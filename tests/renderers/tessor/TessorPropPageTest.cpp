// The property page on the offscreen platform: its widgets, their binding
// to the control's properties, the dirty state and Apply.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "renderers/tessor/TessorCtrl.h"
#include "renderers/tessor/TessorPropPage.h"
#include "renderers/common/ui/RendererPropPage.h"
#include "renderers/common/ui/RendererPropPageWidget.h"

namespace voxmill {
namespace {

class CountingPageSite : public IPropertyPageSite {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT OnStatusChange(DWORD flags) override {
        lastFlags = flags;
        ++changes;
        return S_OK;
    }
    HRESULT GetLocaleID(LCID* locale) override {
        *locale = 0x409;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(void*) override { return E_NOTIMPL; }
    int refs = 0;
    int changes = 0;
    DWORD lastFlags = 0;
};

class TessorPropPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessor_page_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        void* p = nullptr;
        ASSERT_EQ(CTessorPropPage::CreateInstance(IID_IPropertyPage, &p), S_OK);
        page = static_cast<CRendererPropPage*>(static_cast<IPropertyPage*>(p));
        ctrl = CTessorCtrl::Create();
        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        IUnknown* objects[] = {static_cast<IRenderer*>(ctrl)};
        ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    }
    void TearDown() override {
        page->Release();
        ctrl->Release();
        EXPECT_EQ(site.refs, 0);
    }
    void SetMode(SHORT mode) {
        VARIANT v;
        v.vt = VT_I2;
        v.iVal = mode;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&v, &named, 1, 1};
        ASSERT_EQ(ctrl->Invoke(1, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
    }

    QWidget parent;
    CountingPageSite site;
    CRendererPropPage* page = nullptr;
    CTessorCtrl* ctrl = nullptr;
};

TEST_F(TessorPropPageTest, BuildsItsGroupsUnderTheGivenParent) {
    const RECT rect{10, 20, 310, 220};
    ASSERT_EQ(page->Activate(&parent, &rect, 0), S_OK);
    EXPECT_EQ(page->Activate(&parent, &rect, 0), E_UNEXPECTED);
    ASSERT_EQ(page->Show(SW_SHOW), S_OK);
    CRendererPropPageWidget* widget = page->Widget();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), &parent);
    EXPECT_EQ(widget->geometry(), QRect(10, 20, 300, 200));

    QStringList groups;
    for (auto* g : widget->findChildren<QGroupBox*>()) groups << g->title();
    EXPECT_EQ(groups, QStringList({"Interpolation quality", "Other", "Beyond"}));
    const auto radios = widget->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 8);
    EXPECT_EQ(radios[0]->text(), "Low (Nearest Neighbour)");
    EXPECT_EQ(radios[1]->text(), "High (Bilinear)");
    EXPECT_EQ(radios[2]->text(), "Very High (Bicubic)");
    EXPECT_TRUE(radios[0]->isEnabled());
    EXPECT_TRUE(radios[1]->isEnabled());
    EXPECT_FALSE(radios[2]->isEnabled());
    EXPECT_TRUE(radios[0]->isChecked());
    const QStringList windows = {"Ram-Lak", "Shepp-Logan", "Cosine", "Hamming", "Hann"};
    for (int n = 0; n < 5; ++n) {
        auto* button = widget->findChild<QRadioButton*>(QString("filterWindow%1").arg(n));
        ASSERT_NE(button, nullptr) << n;
        EXPECT_EQ(button->text(), windows[n]);
        EXPECT_TRUE(button->isEnabled());
        EXPECT_EQ(button->isChecked(), n == 0);
    }
    const auto boxes = widget->findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[0]->text(), "Process Projection Collection (a bit faster)");
    EXPECT_FALSE(boxes[0]->isChecked());
    EXPECT_EQ(boxes[1]->text(), "Use Zero Padding");
    EXPECT_FALSE(boxes[1]->isChecked());
    EXPECT_EQ(boxes[2]->text(), "Weigh Short Scans (Parker)");
    EXPECT_TRUE(boxes[2]->isChecked());
    EXPECT_NE(widget->findChild<QLabel*>("beyondGroupNote"), nullptr);

    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Widget(), nullptr);
    EXPECT_TRUE(parent.findChildren<CRendererPropPageWidget*>().isEmpty());
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
}

TEST_F(TessorPropPageTest, ApplyWritesTheWindowPaddingAndBilinearChoices) {
    ASSERT_EQ(page->Activate(&parent, nullptr, 0), S_OK);
    page->Widget()->findChild<QRadioButton*>("filterWindow3")->click();
    page->Widget()->findChild<QRadioButton*>("interpolationMode1")->click();
    page->Widget()->findChild<QCheckBox*>("zeroPadding")->click();
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(ctrl->InterpolationMode(), 1);
    VARIANT value{};
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(ctrl->Invoke(3, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr), S_OK);
    EXPECT_EQ(value.lVal, 3);
    ASSERT_EQ(ctrl->Invoke(5, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr), S_OK);
    EXPECT_EQ(value.boolVal, VARIANT_TRUE);
}

TEST_F(TessorPropPageTest, ApplyWritesTheShownValuesToTheControl) {
    ASSERT_EQ(page->Activate(&parent, nullptr, 0), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    auto* box = page->Widget()->findChild<QCheckBox*>("processCollection");
    ASSERT_NE(box, nullptr);
    box->click();
    EXPECT_EQ(site.changes, 1);
    EXPECT_EQ(site.lastFlags, CRendererPropPage::kStatusDirty);
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_FALSE(ctrl->IsProcessCollection());

    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_TRUE(ctrl->IsProcessCollection());
    EXPECT_TRUE(ctrl->IsModified());
    EXPECT_EQ(ctrl->InterpolationMode(), 0);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
}

TEST_F(TessorPropPageTest, ShowsTheControlsValuesByIndex) {
    SetMode(2);
    ASSERT_EQ(page->Activate(&parent, nullptr, 0), S_OK);
    EXPECT_EQ(page->Widget()->Value(1), 2);
    EXPECT_TRUE(page->Widget()->findChild<QRadioButton*>("interpolationMode2")->isChecked());
    EXPECT_EQ(site.changes, 0);  // loading values is no change

    IUnknown* none[] = {nullptr};
    EXPECT_EQ(page->SetObjects(1, none), E_POINTER);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page->Apply(), S_OK);  // nothing to apply to
}

TEST_F(TessorPropPageTest, PageInfoCarriesTitleAndSize) {
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.pszTitle), u"Tessor");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    CoTaskMemFree(info.pszTitle);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
}

}  // namespace
}  // namespace voxmill
