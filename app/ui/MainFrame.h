// The workbench's main window: the MDI area with the child windows, the
// menu (the main menu while no document window is active, the active
// view's document menu otherwise), the toolbar and the status bar with the
// message pane and the "MIL" and "GEN" panes, greyed while the frame
// grabber's libraries are not ready. It is also a drop site: a target
// drag of a phantom or digitizer answers "move" (the dragged window moves
// to the drop point; the drop itself changes nothing), and dropped files
// are opened.
//
// The file commands gather their arguments here (prompts) and call the
// document manager; errors are shown by the error sink.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QPrinter>
#include <QStringList>
#include <memory>
#include <cstdint>
#include <vector>

#include "app/ui/FrameTable.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPainter;
class QToolBar;

namespace voxmill {

class CDocManager;
class CGettingStartedDialog;
class CDocTemplate;
class CDocument;
class CRecentFileList;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Sent to the active view when the palette changes, so that image views
    // can take up the new colours.
    static const QEvent::Type kPaletteChangedEvent;
    static const std::vector<std::uint16_t>& MovableTargetTypes();

    CMainFrame(CDocManager& docManager, CRecentFileList& recentFiles, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The main frame a widget of the workbench lives in, or null.
    static CMainFrame* FromWidget(const QWidget* widget);

    CDocManager& GetDocManager() const { return m_docManager; }
    QMdiArea* MdiArea() const { return m_pMdiArea; }
    QLabel* MilPane() const { return m_pMilPane; }
    QLabel* GenPane() const { return m_pGenPane; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QPrinter& Printer() { return m_printer; }
    QAction* GettingStartedAction() const { return m_pGettingStarted; }
    // The Getting Started window once Help opened it, else null.
    CGettingStartedDialog* GettingStartedDialog() const { return m_pGettingStartedDialog; }

    // Gives every template of the table its frame and view.
    void InstallFrames(const std::vector<FrameRow>& table);
    void SetGrabberState(bool milReady, bool genesisReady);

    // The file commands with their arguments gathered.
    // Shows a new document of the template's kind; null on failure.
    CDocument* NewDocument(CDocTemplate& tmpl);
    // Opens the file with its registered kind and shows it (or activates
    // it when it is open already); null on failure, which has been shown.
    CDocument* OpenDocumentFile(const QString& path);
    // What File, New offers and File, Open filters on, in that order.
    QStringList NewDocumentKinds() const;
    QStringList OpenFilters() const;
    // Renders the active view onto the printer's page; false without one.
    bool PrintActiveView(QPrinter& printer);
    // The same picture into `page` of any painter (a window that was never
    // shown is laid out first).
    bool RenderActiveView(QPainter& painter, const QRectF& page);

    class CChildFrame* ActiveFrame() const;
    CDocument* ActiveDocument() const;
    // Asks to save every modified document; false on Cancel.
    bool SaveAllModified();
    void CloseAllDocuments();
    // Refreshes the captions after a path or title changed.
    void UpdateFrameTitles();

public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFilePrint();
    void OnFilePrintSetup();
    void OnAppAbout();
    // Help, "Getting Started": shows the page (the one window, raised).
    void OnHelpGettingStarted();
    void OnWindowNew();
    void OnOpenRecentFile(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateMenus();
    void UpdateCommandState();
    void FillFileMenu(bool documentMenu);
    void FillWindowMenu();
    void UpdateRecentFileActions();
    QAction* AddAction(const QString& text, const QString& tip, void (CMainFrame::*slot)());

    CDocManager& m_docManager;
    CRecentFileList& m_recentFiles;
    QPrinter m_printer;
    QMdiArea* m_pMdiArea;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pMilPane = nullptr;
    QLabel* m_pGenPane = nullptr;

    QMenu* m_pFileMenu = nullptr;
    QMenu* m_pEditMenu = nullptr;
    QMenu* m_pViewMenu = nullptr;
    QMenu* m_pWindowMenu = nullptr;
    QMenu* m_pHelpMenu = nullptr;

    QAction* m_pNew = nullptr;
    QAction* m_pOpen = nullptr;
    QAction* m_pClose = nullptr;
    QAction* m_pSave = nullptr;
    QAction* m_pSaveAs = nullptr;
    QAction* m_pPrint = nullptr;
    QAction* m_pPrintSetup = nullptr;
    QAction* m_pExit = nullptr;
    QAction* m_pUndo = nullptr;
    QAction* m_pCut = nullptr;
    QAction* m_pCopy = nullptr;
    QAction* m_pPaste = nullptr;
    QAction* m_pToggleToolBar = nullptr;
    QAction* m_pToggleStatusBar = nullptr;
    QAction* m_pWindowNew = nullptr;
    QAction* m_pCascade = nullptr;
    QAction* m_pTile = nullptr;
    QAction* m_pAbout = nullptr;
    QAction* m_pGettingStarted = nullptr;
    CGettingStartedDialog* m_pGettingStartedDialog = nullptr;
    std::vector<QAction*> m_recentActions;
    QAction* m_pRecentSeparator = nullptr;
};

}  // namespace voxmill
