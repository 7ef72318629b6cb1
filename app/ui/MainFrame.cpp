#include "app/ui/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

#include "app/Document.h"
#include "app/Target.h"
#include "app/View.h"
#include "app/templates/DocManager.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/GettingStartedDialog.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DocumentCommands.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/NewTypeDialog.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/ResourceIcons.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetPage.h"
#include "app/ui/WidgetView.h"

namespace voxmill {
namespace {

const QString kReady = QStringLiteral("Ready");

}  // namespace

const QEvent::Type CMainFrame::kPaletteChangedEvent = static_cast<QEvent::Type>(QEvent::User + 1024);

const std::vector<std::uint16_t>& CMainFrame::MovableTargetTypes() {
    static const std::vector<std::uint16_t> types = {kTargetPhantom, kTargetDigitizer};
    return types;
}

CMainFrame::CMainFrame(CDocManager& docManager, CRecentFileList& recentFiles, QWidget* parent)
    : QMainWindow(parent), m_docManager(docManager), m_recentFiles(recentFiles), m_pMdiArea(new QMdiArea) {
    setWindowTitle(QStringLiteral("Voxmill"));
    setWindowIcon(ResourceIcon(128));
    setCentralWidget(m_pMdiArea);
    setAcceptDrops(true);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateMenus(); });
    UpdateMenus();
    resize(1024, 720);
}

CMainFrame::~CMainFrame() = default;

CMainFrame* CMainFrame::FromWidget(const QWidget* widget) {
    return widget ? qobject_cast<CMainFrame*>(widget->window()) : nullptr;
}

QAction* CMainFrame::AddAction(const QString& text, const QString& tip, void (CMainFrame::*slot)()) {
    auto* action = new QAction(text, this);
    action->setStatusTip(tip);
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
}

void CMainFrame::CreateActions() {
    QStyle* s = style();
    m_pNew = AddAction(QStringLiteral("&New"), QStringLiteral("Create a new document"), &CMainFrame::OnFileNew);
    m_pNew->setShortcut(QKeySequence::New);
    m_pNew->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    m_pNew->setToolTip(QStringLiteral("New"));
    m_pOpen = AddAction(QStringLiteral("&Open..."), QStringLiteral("Open an existing document"), &CMainFrame::OnFileOpen);
    m_pOpen->setShortcut(QKeySequence::Open);
    m_pOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    m_pOpen->setToolTip(QStringLiteral("Open"));
    m_pClose = AddAction(QStringLiteral("&Close"), QStringLiteral("Close the active document"), &CMainFrame::OnFileClose);
    m_pSave = AddAction(QStringLiteral("&Save"), QStringLiteral("Save the active document"), &CMainFrame::OnFileSave);
    m_pSave->setShortcut(QKeySequence::Save);
    m_pSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    m_pSave->setToolTip(QStringLiteral("Save"));
    m_pSaveAs = AddAction(QStringLiteral("Save &As..."), QStringLiteral("Save the active document with a new name"),
                          &CMainFrame::OnFileSaveAs);
    m_pPrint = AddAction(QStringLiteral("&Print..."), QStringLiteral("Print the active document"), &CMainFrame::OnFilePrint);
    m_pPrint->setShortcut(QKeySequence::Print);
    m_pPrint->setIcon(
        QIcon::fromTheme(QStringLiteral("document-print"), s->standardIcon(QStyle::SP_FileDialogDetailedView)));
    m_pPrint->setToolTip(QStringLiteral("Print"));
    m_pPrintSetup = AddAction(QStringLiteral("P&rint Setup..."), QStringLiteral("Change the printer and printing options"),
                              &CMainFrame::OnFilePrintSetup);
    m_pExit = AddAction(QStringLiteral("Exit"), QStringLiteral("Quit the application; prompts to save documents"), nullptr);
    connect(m_pExit, &QAction::triggered, this, &QWidget::close);

    // Edit commands belong to documents that implement them; none does yet.
    m_pUndo = AddAction(QStringLiteral("&Undo"), QStringLiteral("Undo the last action"), nullptr);
    m_pCut = AddAction(QStringLiteral("Cu&t"), QStringLiteral("Cut the selection and put it on the Clipboard"), nullptr);
    m_pCopy = AddAction(QStringLiteral("&Copy"), QStringLiteral("Copy the selection and put it on the Clipboard"), nullptr);
    m_pPaste = AddAction(QStringLiteral("&Paste"), QStringLiteral("Insert Clipboard contents"), nullptr);
    for (QAction* a : {m_pUndo, m_pCut, m_pCopy, m_pPaste}) a->setEnabled(false);

    m_pToggleToolBar = AddAction(QStringLiteral("Toolbar"), QStringLiteral("Show or hide the toolbar"), nullptr);
    m_pToggleStatusBar = AddAction(QStringLiteral("Status Bar"), QStringLiteral("Show or hide the status bar"), nullptr);
    m_pToggleToolBar->setCheckable(true);
    m_pToggleStatusBar->setCheckable(true);
    m_pToggleToolBar->setChecked(true);
    m_pToggleStatusBar->setChecked(true);
    connect(m_pToggleStatusBar, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    m_pWindowNew = AddAction(QStringLiteral("&New Window"), QStringLiteral("Open another window for the active document"),
                             &CMainFrame::OnWindowNew);
    m_pCascade = AddAction(QStringLiteral("&Cascade"), QStringLiteral("Arrange windows so they overlap"), nullptr);
    connect(m_pCascade, &QAction::triggered, m_pMdiArea, &QMdiArea::cascadeSubWindows);
    m_pTile = AddAction(QStringLiteral("&Tile"), QStringLiteral("Arrange windows as non-overlapping tiles"), nullptr);
    connect(m_pTile, &QAction::triggered, m_pMdiArea, &QMdiArea::tileSubWindows);

    m_pAbout = AddAction(QStringLiteral("&About Voxmill..."),
                         QStringLiteral("Display program information, version number and copyright"),
                         &CMainFrame::OnAppAbout);
    m_pAbout->setIcon(s->standardIcon(QStyle::SP_MessageBoxQuestion));
    m_pAbout->setToolTip(QStringLiteral("About"));
    m_pGettingStarted = AddAction(QStringLiteral("Getting Started"),
                                  QStringLiteral("Walk from a phantom to an exported volume"),
                                  &CMainFrame::OnHelpGettingStarted);
    m_pGettingStarted->setShortcut(QKeySequence::HelpContents);

    for (int i = 0; i < CRecentFileList::kSize; ++i) {
        auto* action = new QAction(this);
        action->setStatusTip(QStringLiteral("Open this document"));
        connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        m_recentActions.push_back(action);
    }
}

void CMainFrame::CreateMenus() {
    m_pFileMenu = new QMenu(QStringLiteral("File"), this);
    m_pEditMenu = new QMenu(QStringLiteral("Edit"), this);
    m_pEditMenu->addActions({m_pUndo});
    m_pEditMenu->addSeparator();
    m_pEditMenu->addActions({m_pCut, m_pCopy, m_pPaste});
    m_pViewMenu = new QMenu(QStringLiteral("View"), this);
    m_pViewMenu->addActions({m_pToggleToolBar, m_pToggleStatusBar});
    m_pWindowMenu = new QMenu(QStringLiteral("Window"), this);
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    m_pHelpMenu = new QMenu(QStringLiteral("Help"), this);
    m_pHelpMenu->addAction(m_pGettingStarted);
    m_pHelpMenu->addSeparator();
    m_pHelpMenu->addAction(m_pAbout);
    connect(m_pFileMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandState);
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = addToolBar(QStringLiteral("Standard"));
    m_pToolBar->setObjectName(QStringLiteral("standardToolBar"));
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_pToolBar->setMovable(true);
    m_pToolBar->addActions({m_pNew, m_pOpen, m_pSave});
    m_pToolBar->addSeparator();
    m_pToolBar->addActions({m_pPrint, m_pAbout});
    connect(m_pToggleToolBar, &QAction::toggled, m_pToolBar, &QWidget::setVisible);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    m_pMilPane = new QLabel(QStringLiteral("MIL"));
    m_pGenPane = new QLabel(QStringLiteral("GEN"));
    for (QLabel* pane : {m_pMilPane, m_pGenPane}) {
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    bar->showMessage(kReady);
    // Fly-by help replaces the idle text while a command is hovered.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& text) {
        if (text.isEmpty()) bar->showMessage(kReady);
    });
}

void CMainFrame::SetGrabberState(bool milReady, bool genesisReady) {
    m_pMilPane->setEnabled(milReady);
    m_pGenPane->setEnabled(genesisReady);
}

void CMainFrame::InstallFrames(const std::vector<FrameRow>& table) {
    for (const FrameRow& row : table) {
        CDocTemplate* tmpl = m_docManager.FindTemplate(row.resourceId);
        if (!tmpl) continue;
        auto create = row.create;
        tmpl->SetFrameFactory([this, create](CDocTemplate& t, CDocument* doc) -> CFrameWnd* {
            if (!doc) return nullptr;
            CChildFrame* frame = create(*doc);
            if (!frame) return nullptr;
            frame->SetTemplate(&t);
            m_pMdiArea->addSubWindow(frame);
            return frame;
        });
    }
}

CChildFrame* CMainFrame::ActiveFrame() const {
    auto* frame = qobject_cast<CChildFrame*>(m_pMdiArea->activeSubWindow());
    if (!frame) frame = qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
    return frame && !frame->IsDestroyed() ? frame : nullptr;
}

CDocument* CMainFrame::ActiveDocument() const {
    const CChildFrame* frame = ActiveFrame();
    return frame ? frame->GetDocument() : nullptr;
}

void CMainFrame::UpdateMenus() {
    QMenuBar* bar = menuBar();
    bar->clear();
    const CChildFrame* frame = ActiveFrame();
    const QList<QMenu*> documentMenus = frame && frame->GetView() ? frame->GetView()->DocumentMenus() : QList<QMenu*>();
    const bool documentMenu = !documentMenus.isEmpty();
    FillFileMenu(documentMenu);
    bar->addMenu(m_pFileMenu);
    if (documentMenu) bar->addMenu(m_pEditMenu);
    bar->addMenu(m_pViewMenu);
    for (QMenu* menu : documentMenus) bar->addMenu(menu);
    if (documentMenu) bar->addMenu(m_pWindowMenu);
    bar->addMenu(m_pHelpMenu);
    UpdateCommandState();
}

void CMainFrame::FillFileMenu(bool documentMenu) {
    m_pFileMenu->clear();
    m_pFileMenu->addActions({m_pNew, m_pOpen});
    if (documentMenu) {
        m_pFileMenu->addActions({m_pClose, m_pSave, m_pSaveAs});
        m_pFileMenu->addSeparator();
        m_pFileMenu->addAction(m_pPrint);
    }
    m_pFileMenu->addAction(m_pPrintSetup);
    m_pRecentSeparator = m_pFileMenu->addSeparator();
    for (QAction* action : m_recentActions) m_pFileMenu->addAction(action);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_pExit);
    UpdateRecentFileActions();
}

void CMainFrame::FillWindowMenu() {
    m_pWindowMenu->clear();
    m_pWindowMenu->addActions({m_pWindowNew, m_pCascade, m_pTile});
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (!windows.isEmpty()) m_pWindowMenu->addSeparator();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        QAction* action = m_pWindowMenu->addAction(QStringLiteral("&%1 %2").arg(++number).arg(window->windowTitle()));
        action->setCheckable(true);
        action->setChecked(window == m_pMdiArea->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window] { m_pMdiArea->setActiveSubWindow(window); });
    }
    UpdateCommandState();
}

void CMainFrame::UpdateRecentFileActions() {
    const QStringList& files = m_recentFiles.Files();
    for (int i = 0; i < static_cast<int>(m_recentActions.size()); ++i) {
        QAction* action = m_recentActions[static_cast<std::size_t>(i)];
        action->setVisible(i < files.size());
        if (i < files.size()) action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(files.at(i)));
    }
    if (m_pRecentSeparator) m_pRecentSeparator->setVisible(!files.isEmpty());
}

void CMainFrame::UpdateCommandState() {
    const CChildFrame* frame = ActiveFrame();
    const CDocument* doc = frame ? frame->GetDocument() : nullptr;
    for (QAction* a : {m_pClose, m_pSave, m_pSaveAs, m_pPrint}) a->setEnabled(doc != nullptr);
    m_pWindowNew->setEnabled(doc && frame->GetTemplate() && frame->GetTemplate()->HasFrameFactory());
    UpdateRecentFileActions();
}

void CMainFrame::UpdateFrameTitles() {
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(window)) frame->UpdateTitle();
    UpdateRecentFileActions();
}

QStringList CMainFrame::NewDocumentKinds() const {
    QStringList kinds;
    for (const CDocTemplate* tmpl : m_docManager.GetRegisteredTemplates())
        kinds << QString::fromStdString(tmpl->GetDocString(CDocTemplate::fileNewName));
    return kinds;
}

QStringList CMainFrame::OpenFilters() const {
    QStringList filters;
    for (const CDocTemplate* tmpl : m_docManager.GetRegisteredTemplates())
        if (const QString filter = TemplateFilter(*tmpl); !filter.isEmpty()) filters << filter;
    filters << QStringLiteral("All Files (*)");
    return filters;
}

CDocument* CMainFrame::NewDocument(CDocTemplate& tmpl) {
    CDocument* doc = m_docManager.NewDocument(tmpl);
    if (!doc) return nullptr;
    if (!CChildFrame::OpenFrame(tmpl, *doc)) {
        doc->OnCloseDocument();
        return nullptr;
    }
    return doc;
}

CDocument* CMainFrame::OpenDocumentFile(const QString& path) {
    if (CDocument* open = m_docManager.FindOpenDocument(path.toStdString())) {
        if (!open->GetViews().empty())
            if (auto* frame = dynamic_cast<CChildFrame*>(open->GetViews().front()->GetParentFrame()))
                m_pMdiArea->setActiveSubWindow(frame);
        return open;
    }
    CDocument* doc = m_docManager.OpenDocument(path.toStdString());
    if (!doc) return nullptr;
    if (!CChildFrame::OpenFrame(*doc->GetDocTemplate(), *doc)) {
        doc->OnCloseDocument();
        return nullptr;
    }
    UpdateRecentFileActions();
    return doc;
}

void CMainFrame::OnFileNew() {
    const std::vector<CDocTemplate*> templates = m_docManager.GetRegisteredTemplates();
    if (templates.empty()) return;
    std::size_t index = 0;
    if (templates.size() > 1) {
        const int chosen = ChooseNewKind(this, NewDocumentKinds());
        if (chosen < 0 || chosen >= static_cast<int>(templates.size())) return;
        index = static_cast<std::size_t>(chosen);
    }
    NewDocument(*templates[index]);
}

void CMainFrame::OnFileOpen() {
    FilePromptRequest request;
    request.open = true;
    request.title = QStringLiteral("Open");
    request.filters = OpenFilters();
    const QString path = PromptForFile(this, request);
    if (!path.isEmpty()) OpenDocumentFile(path);
}

void CMainFrame::OnOpenRecentFile(int index) {
    const QStringList files = m_recentFiles.Files();
    if (index < 0 || index >= files.size()) return;
    if (!OpenDocumentFile(files.at(index))) m_recentFiles.Remove(m_recentFiles.Files().indexOf(files.at(index)));
    UpdateRecentFileActions();
}

void CMainFrame::OnFileClose() {
    CChildFrame* frame = ActiveFrame();
    CDocument* doc = frame ? frame->GetDocument() : nullptr;
    if (!doc) return;
    if (!doc->m_bAutoDelete) {
        frame->close();  // a document owned by another one only loses this window
        return;
    }
    // Every window of the document closes, with the targets its pages own.
    for (CView* view : doc->GetViews())
        if (auto* docFrame = dynamic_cast<CChildFrame*>(view->GetParentFrame()))
            for (CTargetPage* page : docFrame->findChildren<CTargetPage*>())
                if (!page->SaveModifiedTarget()) return;
    if (SaveModified(this, *doc)) doc->OnCloseDocument();
}

void CMainFrame::OnFileSave() {
    if (CDocument* doc = ActiveDocument()) DoSave(this, *doc);
    UpdateFrameTitles();
}

void CMainFrame::OnFileSaveAs() {
    if (CDocument* doc = ActiveDocument()) DoSaveAs(this, *doc);
    UpdateFrameTitles();
}

bool CMainFrame::PrintActiveView(QPrinter& printer) {
    QPainter painter;
    if (!ActiveFrame() || !painter.begin(&printer)) return false;
    RenderActiveView(painter, printer.pageLayout().paintRectPixels(printer.resolution()));
    return painter.end();
}

bool CMainFrame::RenderActiveView(QPainter& painter, const QRectF& page) {
    CChildFrame* frame = ActiveFrame();
    QWidget* view = frame ? frame->GetView() : nullptr;
    if (!view) return false;
    const QSize size = view->size().isEmpty() ? view->sizeHint() : view->size();
    const double scale = std::min(page.width() / std::max(1, size.width()), page.height() / std::max(1, size.height()));
    painter.save();
    painter.translate(page.topLeft());
    painter.scale(scale, scale);
    view->render(&painter);
    painter.restore();
    return true;
}

void CMainFrame::OnFilePrint() {
    if (!ActiveFrame()) return;
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted) PrintActiveView(m_printer);
}

void CMainFrame::OnFilePrintSetup() {
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnHelpGettingStarted() {
    // One window, kept beside the work while the user follows it.
    if (!m_pGettingStartedDialog) m_pGettingStartedDialog = new CGettingStartedDialog(this);
    m_pGettingStartedDialog->show();
    m_pGettingStartedDialog->raise();
    m_pGettingStartedDialog->activateWindow();
}

void CMainFrame::OnWindowNew() {
    CChildFrame* frame = ActiveFrame();
    CDocument* doc = frame ? frame->GetDocument() : nullptr;
    if (doc && frame->GetTemplate()) CChildFrame::OpenFrame(*frame->GetTemplate(), *doc);
}

bool CMainFrame::SaveAllModified() {
    for (CTargetPage* page : findChildren<CTargetPage*>())
        if (!page->SaveModifiedTarget()) return false;
    for (CDocument* doc : m_docManager.GetDocuments())
        if (doc->m_bAutoDelete && !SaveModified(this, *doc)) return false;
    return true;
}

void CMainFrame::CloseAllDocuments() {
    // Documents close with all their windows; what is left are windows of
    // documents that others own.
    for (;;) {
        const std::vector<CDocument*> docs = m_docManager.GetDocuments();
        auto it = std::find_if(docs.begin(), docs.end(), [](CDocument* d) { return d->m_bAutoDelete; });
        if (it == docs.end()) break;
        (*it)->OnCloseDocument();
    }
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(window)) frame->DestroyWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveAllModified()) {
        event->ignore();
        return;
    }
    CloseAllDocuments();
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        if (CChildFrame* frame = ActiveFrame(); frame && frame->GetView()) {
            QEvent paletteChanged(kPaletteChangedEvent);
            QCoreApplication::sendEvent(frame->GetView(), &paletteChanged);
        }
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (CTargetMimeData::Offers(event->mimeData(), MovableTargetTypes()) &&
        (event->possibleActions() & Qt::MoveAction)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (CTargetMimeData::Offers(event->mimeData(), MovableTargetTypes()) &&
        (event->possibleActions() & Qt::MoveAction)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (CTargetMimeData::Offers(data, MovableTargetTypes()) && (event->possibleActions() & Qt::MoveAction)) {
        // The source moves its window; the drop changes nothing here.
        static_cast<const CTargetMimeData*>(data)->SetDropPoint(mapToGlobal(event->position().toPoint()));
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    if (data->hasUrls()) {
        event->acceptProposedAction();
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile());
        return;
    }
    event->ignore();
}

}  // namespace voxmill
