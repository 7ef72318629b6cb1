// The page that embeds a plug-in's property page: what it answers as the
// plug-in page's site, and how it takes the page through its life (title,
// activation in its client rectangle, show and hide with the sheet, apply
// of reported changes, and the release on destruction).
#include <QTabWidget>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/PropertyPageX.h"

using namespace voxmill;

namespace {

OLECHAR* TaskString(const char16_t* text) {
    std::size_t n = 0;
    while (text[n]) ++n;
    auto* out = static_cast<OLECHAR*>(CoTaskMemAlloc((n + 1) * sizeof(OLECHAR)));
    std::copy(text, text + n + 1, out);
    return out;
}

// A plug-in page that records the calls it gets and makes a plain widget
// under the parent it is handed.
class CRecordingPage final : public IPropertyPage {
public:
    explicit CRecordingPage(std::vector<std::string>* log, const char16_t* title = u"Options", SIZE size = {120, 80})
        : m_log(log), m_title(title), m_size(size) {}
    ~CRecordingPage() { m_log->push_back("destroyed"); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IPropertyPage) return E_NOINTERFACE;
        *ppv = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    HRESULT SetPageSite(IPropertyPageSite* site) override {
        m_log->push_back(site ? "site" : "no site");
        if (site) site->AddRef();
        if (m_site) m_site->Release();
        m_site = site;
        return S_OK;
    }
    HRESULT Activate(void* parent, const RECT* rect, BOOL modal) override {
        m_log->push_back("activate " + std::to_string(rect ? rect->right - rect->left : -1) + "x" +
                         std::to_string(rect ? rect->bottom - rect->top : -1) + (modal ? " modal" : ""));
        if (m_refuse) return E_FAIL;
        widget = new QWidget(static_cast<QWidget*>(parent));
        return S_OK;
    }
    HRESULT Deactivate() override {
        m_log->push_back("deactivate");
        delete widget;
        widget = nullptr;
        return S_OK;
    }
    HRESULT GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        *info = PROPPAGEINFO{sizeof(PROPPAGEINFO), m_title ? TaskString(m_title) : nullptr, m_size,
                             TaskString(u"doc"), nullptr, 0};
        return S_OK;
    }
    HRESULT SetObjects(ULONG count, IUnknown**) override {
        m_log->push_back("objects " + std::to_string(count));
        return S_OK;
    }
    HRESULT Show(UINT cmdShow) override {
        m_log->push_back(cmdShow == SW_HIDE ? "hide" : "show");
        if (widget) widget->setVisible(cmdShow != SW_HIDE);
        return S_OK;
    }
    HRESULT Move(const RECT* rect) override {
        if (widget && rect)
            widget->setGeometry(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
        return S_OK;
    }
    HRESULT IsPageDirty() override { return dirty ? S_OK : S_FALSE; }
    HRESULT Apply() override {
        m_log->push_back("apply");
        dirty = false;
        return S_OK;
    }
    HRESULT Help(const OLECHAR*) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(void*) override { return E_NOTIMPL; }

    // A change on the page, reported to the site.
    void Change() {
        dirty = true;
        if (m_site) m_site->OnStatusChange(CPropertyPageX::kStatusDirty);
    }
    void RefuseActivation() { m_refuse = true; }

    QWidget* widget = nullptr;
    bool dirty = false;

private:
    std::vector<std::string>* m_log;
    const char16_t* m_title;
    SIZE m_size;
    ULONG m_refs = 1;
    IPropertyPageSite* m_site = nullptr;
    bool m_refuse = false;
};

}  // namespace

class PropertyPageXTest : public QObject {
    Q_OBJECT

private slots:
    void theSiteAnswersAsTheHostDoes() {
        std::vector<std::string> log;
        CPropertyPageX page(new CRecordingPage(&log));
        IPropertyPageSite* site = page.GetSite();
        QCOMPARE(site->OnStatusChange(CPropertyPageX::kStatusValidate), S_OK);
        LCID locale = 0;
        QCOMPARE(site->GetLocaleID(&locale), S_OK);
        QCOMPARE(locale, LCID{0x800});
        QCOMPARE(site->GetLocaleID(nullptr), E_POINTER);
        IUnknown* container = site;  // anything but null
        QCOMPARE(site->GetPageContainer(&container), E_NOTIMPL);
        QVERIFY(!container);
        QCOMPARE(site->TranslateAccelerator(nullptr), S_FALSE);
        void* same = nullptr;
        QCOMPARE(site->QueryInterface(IID_IPropertyPageSite, &same), S_OK);
        QCOMPARE(same, static_cast<void*>(site));
        site->Release();
        QCOMPARE(site->QueryInterface(IID_IPropertyPage, &same), E_NOINTERFACE);
        QVERIFY(!same);
    }

    void itTakesTitleAndSizeFromThePageInfo() {
        std::vector<std::string> log;
        CPropertyPageX page(new CRecordingPage(&log, u"Gr\u00fcn", {150, 90}));
        QCOMPARE(page.Title(), QString::fromUtf8("Gr\u00fcn"));
        QCOMPARE(page.sizeHint(), QSize(150, 90));
        QCOMPARE(log, std::vector<std::string>{"site"});

        CPropertyPageX untitled(new CRecordingPage(&log, nullptr, {0, 0}));
        QCOMPARE(untitled.Title(), QString("Untitled Page"));
        QVERIFY(untitled.sizeHint().isValid());
    }

    void thePageLivesInsideTheSheet() {
        std::vector<std::string> log;
        auto* plugin = new CRecordingPage(&log);
        QTabWidget sheet;
        sheet.addTab(new QWidget, "First");
        auto* page = new CPropertyPageX(plugin);
        sheet.addTab(page, page->Title());
        sheet.resize(400, 300);
        sheet.show();
        sheet.setCurrentWidget(page);
        QVERIFY(page->ActivatePage());
        QVERIFY(page->IsPageActivated());
        QVERIFY(plugin->widget);
        QCOMPARE(plugin->widget->parentWidget(), static_cast<QWidget*>(page));
        QCOMPARE(log.at(1), "activate " + std::to_string(page->width()) + "x" + std::to_string(page->height()));
        QCOMPARE(log.back(), std::string("show"));
        QVERIFY(plugin->widget->isVisible());

        // A second activation does nothing.
        const std::size_t calls = log.size();
        QVERIFY(page->ActivatePage());
        QCOMPARE(log.size(), calls);

        // Resizing keeps the plug-in's window over the whole page.
        page->resize(333, 222);
        QCOMPARE(plugin->widget->size(), QSize(333, 222));

        // A reported change is applied at once; a clean page is not applied.
        plugin->Change();
        QCOMPARE(log.back(), std::string("apply"));
        QVERIFY(!plugin->dirty);
        log.clear();
        page->OnKillActive();
        QCOMPARE(log, std::vector<std::string>{"hide"});
        page->OnSetActive();
        QCOMPARE(log.back(), std::string("show"));
        plugin->dirty = true;
        QCOMPARE(page->Apply(), S_OK);
        QCOMPARE(log.back(), std::string("apply"));

        log.clear();
        delete page;
        QCOMPARE(log, (std::vector<std::string>{"deactivate", "objects 0", "no site", "destroyed"}));
    }

    void aPageThatRefusesActivationStaysEmpty() {
        std::vector<std::string> log;
        auto* plugin = new CRecordingPage(&log);
        plugin->RefuseActivation();
        {
            CPropertyPageX page(plugin);
            QVERIFY(!page.ActivatePage());
            QVERIFY(!page.IsPageActivated());
            page.OnSetActive();
            page.OnKillActive();
            page.resize(50, 50);
        }
        // Never shown, never deactivated, but released all the same.
        QCOMPARE(log, (std::vector<std::string>{"site", "activate 120x80", "objects 0", "no site", "destroyed"}));
    }
};

QTEST_MAIN(PropertyPageXTest)
#include "PropertyPageXTest.moc"
