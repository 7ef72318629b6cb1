// A page of one of the workbench's property sheets that embeds a plug-in's
// own property page (an IPropertyPage whose window is a QWidget the plug-in
// creates under this page). The page is the plug-in page's site and owns
// one reference to it; it takes its tab title from the plug-in page's
// information.
//
// Life of the plug-in page inside it: ActivatePage creates the plug-in's
// window in this page's client rectangle (not modal) and shows it; the
// sheet shows it again when the page becomes active and hides it when the
// page is left; resizing moves it to fill the page. The sheet has no Apply
// button, so a change the plug-in page reports (a dirty status) is applied
// to its objects at once; Apply passes the call on as well. Destroying the
// page deactivates the plug-in page, takes its objects and its site away
// and releases it.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include "contract/Ole.h"

namespace voxmill {

class CPropertyPageX : public QWidget {
    Q_OBJECT

public:
    // IPropertyPageSite::OnStatusChange flags.
    static constexpr DWORD kStatusDirty = 0x01;
    static constexpr DWORD kStatusValidate = 0x02;
    static constexpr DWORD kStatusClean = 0x04;
    // What the site answers.
    static constexpr LCID kLocale = 0x800;  // the system default locale
    static constexpr const char* kUntitledPage = "Untitled Page";

    // Takes over the caller's reference to `page` (null makes an empty page).
    explicit CPropertyPageX(IPropertyPage* page, QWidget* parent = nullptr);
    ~CPropertyPageX() override;
    CPropertyPageX(const CPropertyPageX&) = delete;
    CPropertyPageX& operator=(const CPropertyPageX&) = delete;

    const QString& Title() const { return m_title; }
    IPropertyPage* GetPage() const { return m_pPage; }
    IPropertyPageSite* GetSite() { return &m_xSite; }

    // Creates and shows the plug-in's window; false when the plug-in
    // refused (the page then stays empty).
    bool ActivatePage();
    bool IsPageActivated() const { return m_bActivated; }

    // The sheet's activation of this page: show, respectively apply and hide.
    void OnSetActive();
    void OnKillActive();
    // Apply on the plug-in page when it reports changes not yet applied.
    HRESULT Apply();

    // The size the plug-in asked for, or what its window needs when more.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class XPageSite : public IPropertyPageSite {
    public:
        explicit XPageSite(CPropertyPageX* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        // The site lives as long as the page widget, whatever its count.
        ULONG AddRef() override { return ++m_refs; }
        ULONG Release() override { return m_refs > 1 ? --m_refs : 1; }
        HRESULT OnStatusChange(DWORD flags) override;
        HRESULT GetLocaleID(LCID* locale) override;
        HRESULT GetPageContainer(IUnknown** container) override;
        HRESULT TranslateAccelerator(void*) override { return S_FALSE; }

    private:
        CPropertyPageX* m_pOwner;
        ULONG m_refs = 1;
    };

    void ReadPageInfo();
    RECT ClientRect() const;

    IPropertyPage* m_pPage;
    XPageSite m_xSite{this};
    QString m_title;
    QSize m_pageSize;  // the size the plug-in asks for
    bool m_bActivated = false;
    bool m_bApplying = false;
};

}  // namespace voxmill
