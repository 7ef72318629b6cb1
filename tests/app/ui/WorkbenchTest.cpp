// The workbench program as a user meets it: start-up, the File commands
// over the registered kinds, the main menu, About, recent files, the
// command line, and errors shown in message boxes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinterInfo>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "app/DocTemplate.h"
#include "app/Document.h"
#include "app/templates/DocManager.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/NewTypeDialog.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WidgetView.h"
#include "app/ui/WorkbenchFrames.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

class CPlainDocument : public CDocument {};

class CPlainView : public CWidgetView {};

// The order in which File, New offers the registered kinds, and the
// creation order of all templates, by resource number.
const QStringList kRegisteredOrder = {"Digitizer",   "Projection",       "Slide",     "Projection Collection",
                                      "Slide Collection", "Slice", "Slice Collection", "Phantom",
                                      "Projector",   "Backprojector",    "Volume",    "Processor"};
const std::vector<unsigned> kCreationOrder = {138, 144, 140, 149, 150, 152, 139, 145, 143, 142, 129, 147,
                                              141, 130, 146, 137, 133, 135, 136, 151, 131, 134, 132, 148};

QStringList MenuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) titles << action->text();
    return titles;
}

QStringList VisibleEntries(QMenu* menu) {
    QStringList entries;
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible()) entries << action->text();
    return entries;
}

QMenu* MenuNamed(QMenuBar* bar, const QString& title) {
    for (QAction* action : bar->actions())
        if (action->text() == title) return action->menu();
    return nullptr;
}

// Writes a phantom with `ellipsoids` elements through the core.
void WritePhantom(const QString& path, int ellipsoids) {
    CPhantom phantom;
    for (int i = 0; i < ellipsoids; ++i) phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    phantom.Save(path.toStdString());
}

}  // namespace

class WorkbenchTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
    }

    void fileNewAndOpenOfferTheRegisteredKindsInOrder() {
        ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();

        // Exactly the registered kinds of the table, in the menus' order.
        std::vector<const CDocTemplate*> registered;
        for (const CDocTemplate* tmpl : app.GetDocManager()->GetTemplates())
            if (tmpl->IsRegistered()) registered.push_back(tmpl);
        QStringList expected;
        for (const QString& kind : kRegisteredOrder)
            for (const CDocTemplate* tmpl : registered)
                if (QString::fromStdString(tmpl->GetDocString(CDocTemplate::fileNewName)) == kind) expected << kind;
        QCOMPARE(expected.size(), static_cast<qsizetype>(registered.size()));
        QVERIFY(expected.contains("Phantom"));
        QCOMPARE(frame->NewDocumentKinds(), expected);
        QStringList filters;
        for (const QString& kind : expected)
            for (const CDocTemplate* tmpl : registered)
                if (QString::fromStdString(tmpl->GetDocString(CDocTemplate::fileNewName)) == kind)
                    filters << QString::fromStdString(tmpl->GetDocString(CDocTemplate::filterName));
        filters << "All Files (*)";
        QCOMPARE(frame->OpenFilters(), filters);
        QVERIFY(filters.contains("Phantom Files (*.pha)"));

        // Start-up ran File, New: it asked when there was a choice.
        if (expected.size() > 1) QCOMPARE(newKind.offered.front(), expected);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
        QCOMPARE(QString::fromStdString(frame->ActiveDocument()->GetTitle()), QString("Phantom1"));
        QVERIFY(dynamic_cast<CPhantom*>(frame->ActiveDocument()));
        frame->OnFileNew();
        QCOMPARE(QString::fromStdString(frame->ActiveDocument()->GetTitle()), QString("Phantom2"));

        ScopedFilePrompts prompts;
        frame->OnFileOpen();
        QCOMPARE(prompts.requests.size(), std::size_t{1});
        QCOMPARE(prompts.requests[0].filters, frame->OpenFilters());
    }

    void fileNewAsksWhichOfSeveralKinds() {
        std::vector<std::unique_ptr<CDocTemplate>> templates;
        auto plain = [] { return new CPlainDocument; };
        templates.push_back(std::make_unique<CDocTemplate>(900, "\n\n\n\n\n\n", false, plain));
        templates.push_back(std::make_unique<CDocTemplate>(
            901, "\nAlpha\nAlpha\nAlpha Files (*.alp)\n.ALP\nAlpha.Document\nAlpha Document", true, plain));
        templates.push_back(std::make_unique<CDocTemplate>(
            902, "\nBeta\nBeta\nBeta Files (*.bet)\n.BET\nBeta.Document\nBeta Document", true, plain));
        templates.push_back(std::make_unique<CDocTemplate>(
            903, "\nGamma\nGamma\nGamma Files (*.gam)\n.GAM\nGamma.Document\nGamma Document", true, plain));
        CDocManager docs(std::move(templates));
        CRecentFileList recent;
        CMainFrame frame(docs, recent);
        frame.InstallFrames({{901, &CreateFrame<CChildFrame, CPlainView>},
                             {902, &CreateFrame<CChildFrame, CPlainView>},
                             {903, &CreateFrame<CChildFrame, CPlainView>}});
        frame.show();

        QStringList offered;
        QTimer::singleShot(0, [&offered] {
            auto* dialog = qobject_cast<CNewTypeDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("New"));
            offered = dialog->Kinds();
            dialog->Select(1);
            dialog->accept();
        });
        frame.OnFileNew();
        QCOMPARE(offered, (QStringList{"Alpha", "Beta", "Gamma"}));
        QVERIFY(frame.ActiveDocument());
        QCOMPARE(frame.ActiveDocument()->GetDocTemplate()->GetResourceId(), 902u);
        QCOMPARE(QString::fromStdString(frame.ActiveDocument()->GetTitle()), QString("Beta1"));
        QCOMPARE(frame.OpenFilters(), (QStringList{"Alpha Files (*.alp)", "Beta Files (*.bet)",
                                                   "Gamma Files (*.gam)", "All Files (*)"}));

        // Cancel creates nothing.
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        frame.OnFileNew();
        QCOMPARE(docs.GetDocuments().size(), std::size_t{1});
        frame.CloseAllDocuments();
    }

    void mainMenuToolbarStatusBarAndAbout() {
        ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        // A phantom window brings its document menu.
        QCOMPARE(MenuTitles(frame->menuBar()), (QStringList{"File", "Edit", "View", "Elements", "Window", "Help"}));

        frame->CloseAllDocuments();
        FlushDeletes();
        QCOMPARE(MenuTitles(frame->menuBar()), (QStringList{"File", "View", "Help"}));
        QCOMPARE(VisibleEntries(MenuNamed(frame->menuBar(), "File")),
                 (QStringList{"&New", "&Open...", "P&rint Setup...", "Exit"}));
        QCOMPARE(VisibleEntries(MenuNamed(frame->menuBar(), "View")), (QStringList{"Toolbar", "Status Bar"}));
        QCOMPARE(VisibleEntries(MenuNamed(frame->menuBar(), "Help")),
                 (QStringList{"Getting Started", "&About Voxmill..."}));
        QVERIFY(frame->ToolBar()->isVisibleTo(frame));
        QCOMPARE(frame->MilPane()->text(), QString("MIL"));
        QCOMPARE(frame->GenPane()->text(), QString("GEN"));

        QString title, text;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            text = dialog->findChild<QLabel*>("versionText")->text();
            dialog->accept();
        });
        frame->OnAppAbout();
        QCOMPARE(title, QString("About Voxmill"));
        QCOMPARE(text, QString("Version: 1.0.0 (alpha) Build 12"));
    }

    void applicationFieldsAfterStartUp() {
        ScopedNewKind newKind("Phantom");
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        QCOMPARE(app.m_strPluginKey, std::string("Plugins"));
        QCOMPARE(app.m_strCameraFile, std::string("Voxmill.dcf"));
        QCOMPARE(QString::fromStdString(app.m_strStartDirectory), QDir::currentPath());
        QVERIFY(!app.m_hPluginIcon.isNull());
        // The plug-in category is declared in the registry.
        QFile registry(qEnvironmentVariable("VOXMILL_REGISTRY"));
        QVERIFY(registry.open(QIODevice::ReadOnly));
        const QByteArray text = registry.readAll();
        QVERIFY(text.contains("D97195A0-8A2C-11D3-B424-B3F24566ED29"));
        QVERIFY(text.contains("Voxmill Plugins"));
        // The templates in the table's creation order, the phantom's among them.
        std::vector<unsigned> ids;
        for (const CDocTemplate* tmpl : app.GetDocManager()->GetTemplates()) ids.push_back(tmpl->GetResourceId());
        std::vector<unsigned> expected;
        for (unsigned id : kCreationOrder)
            if (std::find(ids.begin(), ids.end(), id) != ids.end()) expected.push_back(id);
        QCOMPARE(ids, expected);
        for (unsigned id : {138u, 135u, 136u, 151u}) QVERIFY(std::find(ids.begin(), ids.end(), id) != ids.end());
    }

    void unregisteredAndBrokenFilesOpenNothing() {
        ScopedNewKind newKind("Phantom");
        ScopedMessageBoxes boxes;
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill"}));
        CMainFrame* frame = app.GetMainFrame();
        const int windows = frame->MdiArea()->subWindowList().size();

        // No registered kind reads ".raw".
        const QString raw = m_dir->filePath("image.raw");
        QFile(raw).open(QIODevice::WriteOnly);
        QVERIFY(!frame->OpenDocumentFile(raw));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.back().contains("image.raw"));

        // A phantom file that ends early: the archive error is shown, no window.
        const QString broken = m_dir->filePath("broken.pha");
        WritePhantom(broken, 2);
        QFile file(broken);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.resize(file.size() - 10);
        file.close();
        QVERIFY(!frame->OpenDocumentFile(broken));
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts.back().contains("broken.pha"));
        QCOMPARE(frame->MdiArea()->subWindowList().size(), windows);
        QCOMPARE(app.GetDocManager()->GetDocuments().size(), std::size_t{1});
    }

    void openingTwiceActivatesTheOpenWindow() {
        const QString path = m_dir->filePath("one.pha");
        WritePhantom(path, 1);
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill", path}));
        CMainFrame* frame = app.GetMainFrame();
        CDocument* first = frame->ActiveDocument();
        QVERIFY(first);
        QCOMPARE(frame->OpenDocumentFile(path), first);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
    }

    void recentFilesKeepTheFourNewestFirst() {
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            paths << m_dir->filePath(QStringLiteral("p%1.pha").arg(i));
            WritePhantom(paths.back(), 1);
        }
        {
            CVoxmillApp app(WorkbenchFrameTable());
            QVERIFY(app.InitInstance({"voxmill", paths[0]}));
            for (int i = 1; i < 5; ++i) QVERIFY(app.GetMainFrame()->OpenDocumentFile(paths[i]));
            QCOMPARE(app.GetRecentFiles()->Files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
            QMenu* file = MenuNamed(app.GetMainFrame()->menuBar(), "File");
            QVERIFY(VisibleEntries(file).contains("&1 " + paths[4]));
        }
        // The list survives the run in the settings.
        CRecentFileList reread;
        QCOMPARE(reread.Files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
        // A recent file that is gone leaves the list when chosen.
        QFile::remove(paths[4]);
        ScopedMessageBoxes boxes;
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(app.InitInstance({"voxmill", paths[1]}));
        QCOMPARE(app.GetRecentFiles()->Files(), (QStringList{paths[1], paths[4], paths[3], paths[2]}));
        app.GetMainFrame()->OnOpenRecentFile(1);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(!app.GetRecentFiles()->Files().contains(paths[4]));
    }

    void commandLineOpensEachFileAndEndsWhenNoneOpens() {
        const QString a = m_dir->filePath("a.pha");
        const QString b = m_dir->filePath("b.pha");
        WritePhantom(a, 1);
        WritePhantom(b, 2);
        {
            CVoxmillApp app(WorkbenchFrameTable());
            QVERIFY(app.InitInstance({"voxmill", a, b}));
            QCOMPARE(app.GetMainFrame()->MdiArea()->subWindowList().size(), 2);
            QVERIFY(app.GetMainFrame()->isVisible());
        }
        ScopedMessageBoxes boxes;
        CVoxmillApp app(WorkbenchFrameTable());
        QVERIFY(!app.InitInstance({"voxmill", m_dir->filePath("missing.pha")}));
        QCOMPARE(app.ExitCode(), 1);
        QCOMPARE(boxes.texts.size(), 1);
    }

    void printOptionRendersTheWindow() {
        const QString path = m_dir->filePath("print.pha");
        WritePhantom(path, 3);
        CVoxmillApp app(WorkbenchFrameTable());
        // The program ends after printing, successfully.
        QVERIFY(!app.InitInstance({"voxmill", "-p", path}));
        QCOMPARE(app.ExitCode(), 0);
        // What is printed is the window's picture, also when it was never shown.
        CDocManager docs;
        CRecentFileList recent;
        CMainFrame hidden(docs, recent);
        hidden.InstallFrames(WorkbenchFrameTable());
        QVERIFY(hidden.OpenDocumentFile(path));
        QVERIFY(!hidden.isVisible());
        QImage page(800, 600, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        QVERIFY(hidden.RenderActiveView(painter, QRectF(0, 0, 800, 600)));
        painter.end();
        int dark = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
        QVERIFY2(dark > 200, "the list's text and lines are drawn");
        hidden.CloseAllDocuments();
        if (QPrinterInfo::availablePrinters().isEmpty()) {
            QFile pdf(path + ".pdf");
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QVERIFY(pdf.read(5) == "%PDF-");
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(WorkbenchTest)
#include "WorkbenchTest.moc"
