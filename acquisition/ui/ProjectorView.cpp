#include "acquisition/ui/ProjectorView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <GL/gl.h>
#include <GL/glu.h>

#include "app/ui/RunScope.h"
#include "acquisition/FrameGrabber.h"
#include "acquisition/PreviewScene.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ui/GLContext.h"
#include "acquisition/ui/GLContextView.h"
#include "acquisition/ui/ProjectorPropertyPage_Options.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "acquisition/ui/ProjectorPropertySheet.h"
#include "app/DocTemplate.h"
#include "app/Target.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "phantom/Phantom.h"

namespace voxmill {
namespace {

constexpr int kMargin = 7;
const char* const kCollectionFilter = "Projection Collection Files (*.prs)";
const char* const kCollectionExtension = ".PRS";
const char* const kSlideCollectionFilter = "Slide Collection Files (*.sds)";
const char* const kSlideCollectionExtension = ".SDS";

void Vertex(const PreviewScene::Point& p) { glVertex3f(p[0], p[1], p[2]); }
void Color(const PreviewScene::Color& c) { glColor3f(c[0], c[1], c[2]); }

void Strip(const PreviewScene::Strip& strip) {
    glBegin(GL_LINE_STRIP);
    for (const auto& p : strip) Vertex(p);
    glEnd();
}

// Records the scene into `list` (compile only) in the fixed order: grey
// axes, blue detector, red source sphere, white corner rays, then the
// source's orbit and the phantom's wire frames.
void CompileScene(GLuint list, const PreviewScene& scene) {
    glNewList(list, GL_COMPILE);
    glPushMatrix();
    Color(PreviewScene::kAxisColor);
    glBegin(GL_LINES);
    for (const auto& axis : scene.axes) {
        Vertex(axis.from);
        Vertex(axis.to);
    }
    glEnd();
    Color(PreviewScene::kDetectorColor);
    glBegin(GL_QUADS);
    for (const auto& corner : scene.detector) Vertex(corner);
    glEnd();
    Color(PreviewScene::kSourceColor);
    glPushMatrix();
    glTranslatef(scene.source[0], scene.source[1], scene.source[2]);
    if (GLUquadric* quadric = gluNewQuadric()) {
        gluSphere(quadric, scene.sourceRadius, PreviewScene::kSphereSlices, PreviewScene::kSphereStacks);
        gluDeleteQuadric(quadric);
    }
    glPopMatrix();
    Color(PreviewScene::kRayColor);
    glBegin(GL_LINES);
    for (const auto& ray : scene.rays) {
        Vertex(ray.from);
        Vertex(ray.to);
    }
    glEnd();
    Color(PreviewScene::kOrbitColor);
    Strip(scene.orbit);
    Color(PreviewScene::kElementColor);
    for (const auto& wire : scene.elementWires) Strip(wire);
    glPopMatrix();
    glFlush();
    glEndList();
}

QString Join(const std::vector<int>& ks) {
    QStringList parts;
    for (int k : ks) parts << QString::number(k);
    return parts.join(QStringLiteral(", "));
}

}  // namespace

CProjectorView::CProjectorView(QWidget* parent) : CWidgetView(parent) { CreateControls(); }

CProjectorView::~CProjectorView() {
    OnDetach();
    DetachFromDocument();
}

void CProjectorView::CreateControls() {
    m_pSheet = new CProjectorPropertySheet(this);
    m_pSheet->move(kMargin, kMargin);
    m_pSheet->resize(m_pSheet->minimumSizeHint().expandedTo(m_pSheet->sizeHint()));
    m_pRender = new QPushButton(QStringLiteral("Render"), this);
    m_pPreview = new QPushButton(QStringLiteral("OpenGL Preview"), this);
    const int y = m_pSheet->geometry().bottom() + 1 + kMargin;
    m_pRender->move(kMargin, y);
    m_pRender->resize(m_pRender->sizeHint());
    m_pPreview->move(m_pRender->geometry().right() + 1 + kMargin, y);
    m_pPreview->resize(m_pPreview->sizeHint());
    const int width = std::max(m_pSheet->geometry().right(), m_pPreview->geometry().right()) + 1 + kMargin;
    setFixedSize(width, m_pRender->geometry().bottom() + 1 + kMargin);
    connect(m_pRender, &QPushButton::clicked, this, &CProjectorView::OnRender);
    connect(m_pPreview, &QPushButton::clicked, this, &CProjectorView::OnOpenGLPreview);
    WatchSetup();
}

void CProjectorView::WatchSetup() {
    // The setup (target, geometry, options) lives only in the window:
    // losing it is losing work, so any change by the user marks the
    // projector modified and closing it asks first.
    const auto mark = [this] {
        if (CProjector* projector = GetProjector()) projector->SetModifiedFlag();
    };
    connect(m_pSheet->TargetPage(), &CTargetPage::targetChanged, this, mark);
    for (QLineEdit* edit : m_pSheet->findChildren<QLineEdit*>()) connect(edit, &QLineEdit::textEdited, this, mark);
    for (QAbstractButton* button : m_pSheet->findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::clicked, this, mark);
    for (QComboBox* box : m_pSheet->findChildren<QComboBox*>()) connect(box, &QComboBox::activated, this, mark);
}

CProjector* CProjectorView::GetProjector() const { return dynamic_cast<CProjector*>(GetDocument()); }

void CProjectorView::OnInitialUpdate() {
    m_pSheet->OptionsPage()->SetProjector(GetProjector());
    CWidgetView::OnInitialUpdate();
}

void CProjectorView::OnDetach() { m_pSheet->OptionsPage()->SetProjector(nullptr); }

CDocTemplate* CProjectorView::FindTemplate(unsigned resourceId) const {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

QString CProjectorView::PromptCollectionPath(const CDocTemplate* collectionTemplate, bool grabbing) {
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Save As");
    const QString filter = collectionTemplate ? TemplateFilter(*collectionTemplate) : QString();
    request.filters << (filter.isEmpty() ? QString::fromLatin1(grabbing ? kSlideCollectionFilter : kCollectionFilter)
                                         : filter);
    std::string extension = collectionTemplate ? collectionTemplate->GetDocString(CDocTemplate::filterExt) : "";
    if (extension.empty()) extension = grabbing ? kSlideCollectionExtension : kCollectionExtension;
    request.defaultSuffix = QString::fromStdString(extension.substr(1));
    QString path = PromptForFile(this, request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QString::fromStdString(extension);
    return path;
}

void CProjectorView::OnRender() {
    if (RunScope::Active()) return;  // one run at a time
    if (!m_pSheet->ValidateActivePage()) return;
    CProjector* projector = GetProjector();
    CTarget* target = m_pSheet->TargetPage()->GetTarget();
    if (!projector || !target) return;

    const bool grabbing = dynamic_cast<IFrameGrabber*>(target) != nullptr;
    if (!grabbing && !target->IsKindOf(RUNTIME_CLASS(CPhantom))) return;
    CDocTemplate* collectionTemplate =
        FindTemplate(grabbing ? kSlideCollectionTemplate : kProjectionCollectionTemplate);
    std::string path;
    if (projector->m_collectionMode == CProjector::kLinkedCollection) {
        path = PromptCollectionPath(collectionTemplate, grabbing).toStdString();
        if (path.empty()) return;  // cancelled: nothing is made
    }
    projector->SetGrabPrompt([this] {
        return ShowMessageBox(this, QMessageBox::NoIcon, QString::fromLatin1(kGrabPromptText),
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
                              QString::fromLatin1(kGrabPromptTitle)) == QMessageBox::Ok;
    });
    ProjectorRunReport report;
    {
        RunScope run(m_pRender, GetParentFrame());
        report = projector->Render(target, m_pSheet->Values(), path, collectionTemplate);
    }
    projector->SetGrabPrompt(nullptr);
    std::unique_ptr<CTarget> collection = grabbing ? std::move(report.grabbed) : std::move(report.collection);
    if (!collection) {
        if (!report.problem.empty()) ShowMessageBox(this, QMessageBox::Warning, QString::fromStdString(report.problem));
        return;
    }
    ReportIncompleteRun(report);
    ShowCollection(collection, collectionTemplate, grabbing);
}

void CProjectorView::ReportIncompleteRun(const ProjectorRunReport& report) {
    QStringList lines;
    if (!report.emptyMembers.empty())
        lines << QStringLiteral("Snapshots %1 have no image: the detector could not take the geometry.")
                     .arg(Join(report.emptyMembers));
    if (!report.missingMembers.empty())
        lines << QStringLiteral("Snapshots %1 could not be made.").arg(Join(report.missingMembers));
    if (!report.failedGrabs.empty())
        lines << QStringLiteral("Snapshots %1 were not grabbed: their slides stay as they were made.")
                     .arg(Join(report.failedGrabs));
    if (!report.unwrittenMembers.empty()) {
        lines << QStringLiteral("These member files could not be written; the members stay in memory:");
        for (const std::string& file : report.unwrittenMembers) lines << QString::fromStdString(file);
    }
    if (!lines.isEmpty()) ShowMessageBox(this, QMessageBox::Warning, lines.join(QLatin1Char('\n')));
}

void CProjectorView::ShowCollection(std::unique_ptr<CTarget>& owned, CDocTemplate* collectionTemplate,
                                    bool grabbing) {
    m_pLastCollection = nullptr;
    CTarget& collection = *owned;
    if (collectionTemplate && collection.GetDocTemplate() == collectionTemplate &&
        collectionTemplate->HasFrameFactory()) {
        if (CChildFrame* frame = CChildFrame::OpenFrame(*collectionTemplate, collection)) {
            owned.release();  // the window's document now
            m_pLastCollection = frame;
            return;
        }
    }
    // No window can hold it: the only way to keep it is a file.
    const QString where = collection.GetPathName().empty()
                              ? QStringLiteral("a file")
                              : QString::fromStdString(collection.GetPathName());
    if (ShowMessageBox(this, QMessageBox::Question,
                       QStringLiteral("No window can show the new %1 collection. Save it to %2?")
                           .arg(grabbing ? QStringLiteral("slide") : QStringLiteral("projection"), where),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return;
    std::string path = collection.GetPathName();
    if (path.empty()) {
        FilePromptRequest request;
        request.open = false;
        request.title = QStringLiteral("Save As");
        request.filters << QString::fromLatin1(grabbing ? kSlideCollectionFilter : kCollectionFilter);
        request.defaultSuffix = grabbing ? QStringLiteral("sds") : QStringLiteral("prs");
        QString chosen = PromptForFile(this, request);
        if (chosen.isEmpty()) return;
        if (QFileInfo(chosen).suffix().isEmpty())
            chosen += QString::fromLatin1(grabbing ? kSlideCollectionExtension : kCollectionExtension);
        path = chosen.toStdString();
    }
    collection.OnSaveDocument(path);  // a failure is shown by the error sink
}

void CProjectorView::OnOpenGLPreview() {
    if (!m_pSheet->ValidateActivePage()) return;
    const ProjectorPageValues values = m_pSheet->Values();
    CDocTemplate* tmpl = FindTemplate(kGLContextTemplate);
    if (!tmpl || !tmpl->HasFrameFactory()) return;

    auto* doc = new CGLContext;
    tmpl->AddDocument(doc);
    doc->OnNewDocument();
    doc->SetTitle("OpenGL Preview");
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *doc);
    if (!frame) {
        delete doc;  // leaves the template's list
        return;
    }
    auto* view = dynamic_cast<CGLContextView*>(frame->GetView());
    m_pLastPreview = view;
    // Without a working context or a list name the window stays empty.
    if (!view || !view->MakeCurrent()) return;
    const GLuint list = glGenLists(1);
    if (list == 0) {
        view->DoneCurrent();
        return;
    }
    PreviewScene scene = PreviewScene::Make(values.detector, values.path);
    if (const auto* phantom = dynamic_cast<const CPhantom*>(m_pSheet->TargetPage()->GetTarget()))
        scene.AddPhantom(*phantom);
    doc->m_nList = list;
    doc->m_center = scene.center;
    doc->m_eye = scene.eye;
    CompileScene(list, scene);
    view->DoneCurrent();
    view->Canvas()->update();
}

}  // namespace voxmill
