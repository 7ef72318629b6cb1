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
#include "app/ui/ChildFrame.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Renderer.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"
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

void CBackProjectorView::OnSelectRenderer() {
    CBackProjector* doc = GetBackProjector();
    if (!doc) return;
    const CPluginRegistry registry;
    const CLSID clsid = SelectRenderer(this, registry);
    if (clsid == GUID_NULL) return;
    // The renderer held already stays, with its pages and option values.
    if (doc->HasRenderer() && doc->GetRendererClassId() == clsid) return;
    // The old renderer's pages go before the renderer itself, so that no
    // page is left editing a closed control.
    m_pSheet->RemoveRendererPages();
    if (doc->ChooseRenderer(clsid, registry) != CBackProjector::RendererChoice::failed)
        m_pSheet->AddRendererPages(*doc, registry);
    RefreshRendererInfo();
    Relayout();
}

void CBackProjectorView::OnRender() {
    if (RunScope::Active()) return;  // one run at a time
    if (!m_pSheet->ValidateActivePage()) return;
    CBackProjector* doc = GetBackProjector();
    CTarget* target = m_pSheet->TargetPage()->GetTarget();
    if (!doc || !target || !doc->HasRenderer()) return;
    // Option changes a renderer page has not passed on yet count for this run.
    m_pSheet->ApplyRendererPages();
    const CBackProjector::VolumeSize size = m_pSheet->Values();

    CDocTemplate* volumeTemplate = FindTemplate(kVolumeTemplate);
    std::unique_ptr<CVolume> volume;
    HRESULT hr = S_OK;
    {
        RunScope run(m_pRender, GetParentFrame());
        volume = doc->Render(target, size, volumeTemplate, &hr);
    }
    if (!volume) return;
    if (volumeTemplate && volume->GetDocTemplate() == volumeTemplate)
        volume->SetTitle(volumeTemplate->NextUntitledTitle());
    const bool allocated = volume->IsAllocated();
    ShowVolume(std::move(volume), volumeTemplate);
    if (!allocated) ReportRefusedVolume(hr);
    else if (const std::string missing = doc->MissingMembersText(); !missing.empty())
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
    const CBackProjector::VolumeSize size = m_pSheet->Values();
    QString text;
    if (hr == E_OUTOFMEMORY)
        text = QStringLiteral("Not enough memory for a volume of %1 x %2 x %3 voxels: the volume window stays empty.")
                   .arg(size.nX)
                   .arg(size.nY)
                   .arg(size.nZ);
    else
        text = QStringLiteral("No volume was made: every dimension must be greater than 0 and every pixel number at "
                              "least 1. The volume window stays empty.");
    ShowMessageBox(this, QMessageBox::Warning, text);
}

}  // namespace voxmill
