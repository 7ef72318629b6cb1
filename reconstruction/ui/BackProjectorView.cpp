#include "reconstruction/ui/BackProjectorView.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>
#include <memory>

#include "app/ui/RunScope.h"
#include "app/DocTemplate.h"
#include "app/Target.h"
#include "app/templates/DocManager.h"
#include "app/FrameWnd.h"
#include "app/MemoryBudget.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Renderer.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Volume.h"
#include "reconstruction/ui/BackProjectorPropertySheet.h"
#include "reconstruction/ui/SelectRendererDialog.h"

namespace voxmill {
namespace {

const char* const kVolumeFilter = "Volume Files (*.vol)";
const char* const kVolumeExtension = ".VOL";

}  // namespace

CBackProjectorView::CBackProjectorView(QWidget* parent) : CWidgetView(parent) { CreateControls(); }

CBackProjectorView::~CBackProjectorView() {
    OnDetach();
    DetachFromDocument();
}

void CBackProjectorView::CreateControls() {
    m_pSheet = new CBackProjectorPropertySheet(this);
    m_pRender = new QPushButton(QStringLiteral("Render"), this);
    m_pPreview = new QPushButton(QStringLiteral("OpenGL Preview"), this);
    m_pPreview->setEnabled(false);
    connect(m_pRender, &QPushButton::clicked, this, &CBackProjectorView::OnRender);
    connect(m_pSheet->RendererPage(), &CBackProjectorPropertyPage_Renderer::selectRenderer, this,
            &CBackProjectorView::OnSelectRenderer);
    // The setup (target, geometry) lives in the window: losing it is losing work.
    connect(m_pSheet->TargetPage(), &CTargetPage::targetChanged, this, [this] { MarkModified(); });
    connect(m_pSheet->VolumePage(), &CBackProjectorPropertyPage_Volume::edited, this, [this] { MarkModified(); });
    Relayout();
}

void CBackProjectorView::Relayout() {
    const QSize before = size();
    m_pSheet->move(kMargin, kMargin);
    m_pSheet->resize(m_pSheet->sizeHint().expandedTo(m_pSheet->size()));
    const int y = m_pSheet->geometry().bottom() + 1 + kMargin;
    m_pRender->move(kMargin, y);
    m_pRender->resize(m_pRender->sizeHint());
    m_pPreview->move(m_pRender->geometry().right() + 1 + kMargin, y);
    m_pPreview->resize(m_pPreview->sizeHint());
    const int width = std::max(m_pSheet->geometry().right(), m_pPreview->geometry().right()) + 1 + kMargin;
    const QSize after(width, m_pRender->geometry().bottom() + 1 + kMargin);
    setFixedSize(after);
    // An operator frame has no resizing border: it grows with its form.
    auto* frame = dynamic_cast<CChildFrame*>(GetParentFrame());
    if (frame && before != after && frame->minimumSize() == frame->maximumSize() && frame->isVisible())
        frame->setFixedSize(frame->size() + (after - before));
}

CBackProjector* CBackProjectorView::GetBackProjector() const { return dynamic_cast<CBackProjector*>(GetDocument()); }

void CBackProjectorView::OnUpdate(CView*, long, CObject*) { RefreshRendererInfo(); }

void CBackProjectorView::OnDetach() {
    // Nothing of the window may hold on to the document's renderer.
    m_pSheet->RemoveRendererPages();
    m_shownRenderer = GUID_NULL;
    m_shownModule.clear();
}

void CBackProjectorView::RefreshRendererInfo() {
    const CBackProjector* doc = GetBackProjector();
    if (!doc || !doc->HasRenderer()) {
        m_pSheet->RendererPage()->SetRenderer(QString(), QString());
        m_shownRenderer = GUID_NULL;
        m_shownModule.clear();
        return;
    }
    const CLSID clsid = doc->GetRendererClassId();
    const QString userType = QString::fromStdString(doc->GetRendererUserType());
    // The module path is read from the registry once per renderer.
    if (!(clsid == m_shownRenderer)) m_shownModule = QString::fromStdString(CPluginRegistry().GetModulePath(clsid));
    m_pSheet->RendererPage()->SetRenderer(userType, m_shownModule);
    m_shownRenderer = clsid;
}

CDocTemplate* CBackProjectorView::FindTemplate(unsigned resourceId) const {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

void CBackProjectorView::MarkModified() {
    if (CBackProjector* doc = GetBackProjector()) doc->SetModifiedFlag();
}

void CBackProjectorView::ShowStatus(const QString& text) {
    if (CFrameWnd* frame = GetParentFrame()) frame->SetStatusText(0, text.toStdString());
}

void CBackProjectorView::OnSelectRenderer() {
    CBackProjector* doc = GetBackProjector();
    if (!doc) return;
    const CPluginRegistry registry;
    RendererSelection how = RendererSelection::chosen;
    const CLSID clsid = SelectRenderer(this, registry, &how);
    if (how == RendererSelection::noneInstalled)
        ShowStatus(QStringLiteral("No renderer is installed (voxmill-cli plugins register)."));
    else if (how == RendererSelection::noneSelected)
        ShowStatus(QStringLiteral("No renderer was selected: the choice is unchanged."));
    if (clsid == GUID_NULL) return;
    // The renderer held already stays, with its pages and option values.
    if (doc->HasRenderer() && doc->GetRendererClassId() == clsid) return;
    // The old renderer's pages go before the renderer itself, so that no
    // page is left editing a closed control.
    m_pSheet->RemoveRendererPages();
    if (doc->ChooseRenderer(clsid, registry) != CBackProjector::RendererChoice::failed)
        m_pSheet->AddRendererPages(*doc, registry);
    MarkModified();
    RefreshRendererInfo();
    Relayout();
}

void CBackProjectorView::OnRender() {
    if (RunScope::Active()) return;  // one run at a time
    if (!m_pSheet->ValidateActivePage()) return;
    CBackProjector* doc = GetBackProjector();
    if (!doc) return;
    CTarget* target = m_pSheet->TargetPage()->GetTarget();
    if (!doc->HasRenderer()) {
        ShowStatus(QStringLiteral("No renderer: press \"Select Renderer...\" first."));
        return;
    }
    if (!target) {
        ShowStatus(QStringLiteral("No target: drag one onto the Target page."));
        return;
    }
    const CBackProjector::VolumeSize size = m_pSheet->Values();
    // Refused before anything is allocated or any window opens.
    if (!CBackProjector::CheckVolumeSize(size).empty()) {
        ReportRefusedVolume(E_INVALIDARG);
        return;
    }
    // Option changes a renderer page has not passed on yet count for this run.
    m_pSheet->ApplyRendererPages();

    CDocTemplate* volumeTemplate = FindTemplate(kVolumeTemplate);
    std::unique_ptr<CVolume> volume;
    HRESULT hr = S_OK;
    {
        RunScope run(m_pRender, GetParentFrame());
        volume = doc->Render(target, size, volumeTemplate, &hr);
    }
    if (!volume) {
        ReportRefusedVolume(hr);
        return;
    }
    if (volumeTemplate && volume->GetDocTemplate() == volumeTemplate)
        volume->SetTitle(volumeTemplate->NextUntitledTitle());
    ShowVolume(std::move(volume), volumeTemplate);
    if (const std::string missing = doc->MissingMembersText(); !missing.empty())
        ShowMessageBox(this, QMessageBox::Warning, QString::fromStdString(missing), QMessageBox::Ok, QMessageBox::Ok);
}

void CBackProjectorView::ShowVolume(std::unique_ptr<CVolume> owned, CDocTemplate* volumeTemplate) {
    CVolume* volume = owned.get();
    m_pLastVolume = nullptr;
    if (volumeTemplate && volume->GetDocTemplate() == volumeTemplate && volumeTemplate->HasFrameFactory()) {
        if (CChildFrame* frame = CChildFrame::OpenFrame(*volumeTemplate, *volume)) {
            owned.release();  // the window's document now
            m_pLastVolume = frame;
            return;
        }
    }
    // No window can hold it: the only way to keep a reconstruction is a file.
    if (!volume->IsAllocated()) return;
    const QString question = QStringLiteral("No window can show the new volume. Save it to a file?");
    if (ShowMessageBox(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) !=
        QMessageBox::Yes)
        return;
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Save As");
    const QString filter = volumeTemplate ? TemplateFilter(*volumeTemplate) : QString();
    request.filters << (filter.isEmpty() ? QString::fromLatin1(kVolumeFilter) : filter);
    request.defaultSuffix = QStringLiteral("vol");
    QString path = PromptForFile(this, request);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QString::fromLatin1(kVolumeExtension);
    volume->OnSaveDocument(path.toStdString());  // a failure is shown by the error sink
}

void CBackProjectorView::ReportRefusedVolume(HRESULT hr) {
    // A cancelled run has said so already.
    if (hr == E_ABORT) return;
    // Short enough for the status pane of the narrowest form; the Volume
    // geometry page shows the figures in full.
    const CBackProjector::VolumeSize size = m_pSheet->Values();
    HRESULT refused = S_OK;
    const bool checked = !CBackProjector::CheckVolumeSize(size, &refused).empty();
    const std::optional<std::uint64_t> bytes = CBackProjector::RenderMemory(size);
    if (checked && refused == E_INVALIDARG)
        ShowStatus(QStringLiteral("Not rendered: every size and pixel number must be above 0."));
    else if (checked && bytes)
        ShowStatus(QStringLiteral("Not rendered: it %1.").arg(QString::fromStdString(MemoryShortfall(*bytes))));
    else if (checked)
        ShowStatus(QStringLiteral("Not rendered: more voxels than any memory holds."));
    else if (hr == E_OUTOFMEMORY && bytes)
        ShowStatus(QStringLiteral("Not rendered: %1 could not be allocated.")
                       .arg(QString::fromStdString(FormatBytes(*bytes))));
    else
        ShowStatus(QStringLiteral("Not rendered."));
}

}  // namespace voxmill
