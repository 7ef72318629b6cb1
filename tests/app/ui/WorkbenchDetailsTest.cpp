// The details a new user meets on the way through the workbench: every new
// document gets a title of its own, elided labels keep their full text in
// a tool tip, the recent-file list holds only what the user opened or
// saved, and Help shows the Getting Started page.
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QtTest>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/GettingStartedDialog.h"
#include "app/ui/IconFormWidget.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MemberListView.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetIconCanvas.h"
#include "app/ui/TargetView.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/ui/PhantomElementListModel.h"
#include "phantom/ui/PhantomView.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

constexpr unsigned kProjectionCollectionTemplate = 130;
constexpr unsigned kVolumeTemplate = 132;
constexpr unsigned kTargetTemplate = 138;

QString TitleOf(const CDocument* doc) { return doc ? QString::fromStdString(doc->GetTitle()) : QString(); }

QAction* ActionNamed(QMenuBar* bar, const QString& text) {
    for (QAction* menu : bar->actions())
        if (menu->menu())
            for (QAction* action : menu->menu()->actions())
                if (action->text() == text) return action;
    return nullptr;
}

// A projection of 4 x 4 pixels with its source at (x, 0, z).
void Pose(CProjection& projection, double x, double z) {
    projection.Create(1.0, 1.0, 4, 4);
    projection.SetSourcePosition(CPoint4(x, 0.0, z));
}

}  // namespace

class WorkbenchDetailsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
    }

    void newDocumentsGetTitlesOfTheirOwn() {
        ScopedNewKind newKind("Volume");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume1"));
        frame->OnFileNew();
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume2"));
        CDocManager& docs = *app.GetDocManager();

        // A title a document already holds is skipped, and a rendered
        // volume draws from the same numbers as File, New.
        CDocTemplate& volumes = *docs.FindTemplate(kVolumeTemplate);
        volumes.GetDocuments().front()->SetTitle("Volume3");
        QCOMPARE(QString::fromStdString(volumes.NextUntitledTitle()), QString("Volume4"));
        frame->OnFileNew();
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume5"));

        // The slice collection is named after its volume.
        QAction* zSlices = ActionNamed(frame->menuBar(), "Z Slices");
        QVERIFY(zSlices);
        zSlices->trigger();
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume5 Z Slices"));
        // Slicing again makes a second collection: it is told apart.
        CDocument* firstSlices = frame->ActiveDocument();
        frame->MdiArea()->setActiveSubWindow(CChildFrame::OpenFrame(volumes, *volumes.GetDocuments().back()));
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume5"));  // a second window keeps the title
        zSlices = ActionNamed(frame->menuBar(), "Z Slices");
        QVERIFY(zSlices);
        zSlices->trigger();
        QVERIFY(frame->ActiveDocument() != firstSlices);
        QCOMPARE(TitleOf(frame->ActiveDocument()), QString("Volume5 Z Slices (2)"));
        QCOMPARE(TitleOf(firstSlices), QString("Volume5 Z Slices"));

        // A document an operator or command makes and shows is numbered
        // like File, New's, never "Untitled"; members stay untitled.
        CDocTemplate& collections = *docs.FindTemplate(kProjectionCollectionTemplate);
        auto* made = dynamic_cast<CProjectionCollection*>(collections.CreateNewDocument());
        QVERIFY(made && made->OnNewDocument());
        CListElementStub* member = made->NewProjection();
        QVERIFY(CChildFrame::OpenFrame(collections, *made));
        QCOMPARE(TitleOf(made), QString("Projection Collection1"));
        QCOMPARE(frame->ActiveFrame()->windowTitle(), QString("Projection Collection1"));
        QCOMPARE(TitleOf(frame->NewDocument(collections)), QString("Projection Collection2"));
        QVERIFY(member->m_pElement->GetTitle().empty());
        // The target view's template has no name: nothing to number.
        QCOMPARE(QString::fromStdString(docs.FindTemplate(kTargetTemplate)->NextUntitledTitle()), QString());
    }

    void elidedLabelsKeepTheirTextInToolTips() {
        ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        auto* phantom = dynamic_cast<CPhantom*>(frame->ActiveDocument());
        QVERIFY(phantom);
        CPhantomElement* element = phantom->AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
        element->m_translation.p[0] = -123.4567;
        element->m_mu = 0.125;
        phantom->UpdateAllViews(nullptr);
        auto* phantomView = dynamic_cast<CPhantomView*>(frame->ActiveFrame()->GetView());
        QVERIFY(phantomView);
        CPhantomElementListModel& rows = *phantomView->Model();
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(rows.data(rows.index(0, CPhantomElementListModel::kCenter), Qt::ToolTipRole).toString(),
                 QString("(-123.457,+0.000,+0.000)"));
        for (int column = 0; column < rows.columnCount(); ++column)
            QCOMPARE(rows.data(rows.index(0, column), Qt::ToolTipRole), rows.data(rows.index(0, column)));

        // The compact icon form elides long titles; its tip holds the whole one.
        const QString longTitle = "A phantom with a title far longer than the icon form draws.pha";
        phantom->SetTitle(longTitle.toStdString());
        CChildFrame* phantomFrame = frame->ActiveFrame();
        phantomFrame->UpdateTitle();
        phantomFrame->EnterIconForm();
        auto* iconForm = phantomFrame->findChild<CIconFormWidget*>();
        QVERIFY(iconForm);
        QCOMPARE(iconForm->toolTip(), longTitle);
        phantomFrame->LeaveIconForm();

        // The target view's icon names its document.
        CDocTemplate& targets = *app.GetDocManager()->FindTemplate(kTargetTemplate);
        CChildFrame* targetFrame = CChildFrame::ReplaceFrames(*phantom, targets);
        QVERIFY(targetFrame);
        auto* canvas = targetFrame->findChild<CTargetIconCanvas*>();
        QVERIFY(canvas);
        QCOMPARE(canvas->ToolTipText(), longTitle);

        // Member lists: every cell's tip is its whole text.
        frame->NewDocument(*app.GetDocManager()->FindTemplate(kProjectionCollectionTemplate));
        auto* collection = dynamic_cast<CProjectionCollection*>(frame->ActiveDocument());
        QVERIFY(collection);
        Pose(*static_cast<CProjection*>(collection->NewProjection()->m_pElement), 3.0, -4.0);
        collection->UpdateAllViews(nullptr);
        auto* list = dynamic_cast<CMemberListView*>(frame->ActiveFrame()->GetView());
        QVERIFY(list);
        QStandardItemModel& members = *list->Model();
        QCOMPARE(members.rowCount(), 1);
        QCOMPARE(members.item(0, 0)->toolTip(), QString("+3.00,+0.00,-4.00"));
        QCOMPARE(members.item(0, 1)->toolTip(), members.item(0, 1)->text());
        QVERIFY(!members.item(0, 1)->toolTip().isEmpty());
    }

    void recentFilesHoldOnlyWhatTheUserOpenedOrSaved() {
        ScopedNewKind newKind("Projection Collection");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        auto* collection = dynamic_cast<CProjectionCollection*>(frame->ActiveDocument());
        QVERIFY(collection);
        const QString memberPath = m_dir->filePath("member0.prj");
        const QString collectionPath = m_dir->filePath("linked.prs");
        CListElementStub* stub = collection->NewProjection();
        Pose(*static_cast<CProjection*>(stub->m_pElement), 0.0, 4.0);
        stub->m_bLinked = true;
        QVERIFY(stub->SetLinkPath(memberPath.toStdString()));
        stub->Unload();
        QVERIFY(app.GetRecentFiles()->Files().isEmpty());  // a member written is not the user's file

        QVERIFY(QFile::exists(memberPath));
        {
            ScopedFilePrompts prompts;
            prompts.paths.push_back(collectionPath);
            frame->OnFileSave();  // a new collection: Save As asks where
        }
        QVERIFY(QFile::exists(collectionPath));
        QCOMPARE(app.GetRecentFiles()->Files(), QStringList{collectionPath});

        // Reading a document as a reference or a member adds nothing either.
        CProjection reference;
        reference.Open(memberPath.toStdString());
        collection->OnCloseDocument();
        FlushDeletes();
        QVERIFY(frame->OpenDocumentFile(collectionPath));
        auto* reopened = dynamic_cast<CProjectionCollection*>(frame->ActiveDocument());
        QVERIFY(reopened);
        auto* list = dynamic_cast<CMemberListView*>(frame->ActiveFrame()->GetView());
        QVERIFY(list && list->OpenMember(0));
        QVERIFY(reopened->GetMember(0)->m_bLoaded);
        QCOMPARE(app.GetRecentFiles()->Files(), QStringList{collectionPath});

        // Opening the member file by itself is the user's choice: it is listed.
        QVERIFY(frame->OpenDocumentFile(memberPath));
        QCOMPARE(app.GetRecentFiles()->Files(), (QStringList{memberPath, collectionPath}));
    }

    void gettingStartedWalksTheTypicalRoad() {
        CVoxmillApp app(WorkbenchFrameTable());
        ScopedNewKind newKind("Phantom");
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        QMenu* help = nullptr;
        for (QAction* menu : frame->menuBar()->actions())
            if (menu->text() == "Help") help = menu->menu();
        QVERIFY(help);
        QVERIFY(help->actions().contains(frame->GettingStartedAction()));
        QCOMPARE(frame->GettingStartedAction()->text(), QString("Getting Started"));
        QVERIFY(!frame->GettingStartedDialog());
        frame->GettingStartedAction()->trigger();
        CGettingStartedDialog* page = frame->GettingStartedDialog();
        QVERIFY(page && page->isVisible());
        QCOMPARE(page->Browser()->source(), QUrl(CGettingStartedDialog::kPagePath));
        QCOMPARE(page->Headings(), (QStringList{"Getting Started", "1. Build a phantom",
                                                "2. Drag the phantom onto a projector", "3. Set up the scan and render",
                                                "4. Reconstruct with a backprojector", "5. Slice the volume and look at it",
                                                "6. Export"}));
        const QString text = page->Browser()->toPlainText();
        // The page names the menu entries as the windows spell them.
        for (const char* entry : {"Add Ellipsoid", "Target", "Render", "Select Renderer...", "Volume geometry",
                                  "Z Slices", "Fit to Window", "Windows Bitmap (original)", "NCSA HDF"})
            QVERIFY2(text.contains(QString::fromLatin1(entry)), entry);
        // Asking again raises the same window.
        frame->GettingStartedAction()->trigger();
        QCOMPARE(frame->GettingStartedDialog(), page);
        if (const QByteArray shots = qgetenv("VOXMILL_SHOTS"); !shots.isEmpty())
            page->grab().save(QString::fromLocal8Bit(shots) + "/getting-started.png");
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(WorkbenchDetailsTest)
#include "WorkbenchDetailsTest.moc"
