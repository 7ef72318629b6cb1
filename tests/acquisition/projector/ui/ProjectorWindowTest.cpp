// The projector window driven as a user would: the sheet's pages and
// their ranges, target drops, the Options page, and "Render" in both
// collection modes, with its prompt, wait cursor and progress.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <functional>

#include "acquisition/ui/ProjectorPropertyPage_Detector.h"
#include "acquisition/ui/ProjectorPropertyPage_Options.h"
#include "acquisition/ui/ProjectorPropertyPage_Path.h"
#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "acquisition/ui/ProjectorPropertySheet.h"
#include "acquisition/Projection.h"
#include "app/ListElementStub.h"
#include "tests/acquisition/projector/ui/ProjectorUiSupport.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

// Counts how many phantoms were deleted, to see who deletes what.
int g_deletedPhantoms = 0;
struct CountedPhantom : CPhantom {
    ~CountedPhantom() override { ++g_deletedPhantoms; }
};

QStringList TabTitles(const QTabWidget* sheet) {
    QStringList titles;
    for (int i = 0; i < sheet->count(); ++i) titles << sheet->tabText(i);
    return titles;
}

QString ShownTypeName(const CTargetPage* page) {
    QStringList texts;
    for (const QLabel* label : page->findChildren<QLabel*>()) texts << label->text();
    texts.removeAll(QStringLiteral("Target type:"));
    return texts.value(0);
}

// Small, quick geometry on the pages.
void UseSmallGeometry(CProjectorView* view, int steps) {
    CProjectorPropertySheet* sheet = view->Sheet();
    sheet->setCurrentIndex(CProjectorPropertySheet::kDetectorPage);
    sheet->DetectorPage()->NumX()->setText("32");
    sheet->DetectorPage()->NumY()->setText("32");
    sheet->setCurrentIndex(CProjectorPropertySheet::kSnapshotsPage);
    sheet->SnapshotsPage()->StepNumber()->setText(QString::number(steps));
    sheet->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
}

COperatorChildFrame* OperatorFrame(CProjectorView* view) {
    return dynamic_cast<COperatorChildFrame*>(view->GetParentFrame());
}

// Every file in the folder with its contents.
QMap<QString, QByteArray> FolderBytes(const QTemporaryDir& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) files[name] = file.readAll();
    }
    return files;
}

// The window at that moment, as a picture in $VOXMILL_SHOTS (when set).
void SaveShot(QWidget* inside, const char* name) {
    const QString folder = qEnvironmentVariable("VOXMILL_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    inside->window()->grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
}

// Calls `atReading` with the number of each clock reading of the
// projector's run (1 is BeginRun, k + 1 is step k, read before the step's
// progress is shown).
void OnEachReading(CProjectorView* view, std::function<void(int)> atReading) {
    view->GetProjector()->SetClock([reading = 0, atReading = std::move(atReading)]() mutable {
        atReading(++reading);
        return COperator::SystemFileTime();
    });
}

}  // namespace

class ProjectorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_bench = std::make_unique<ProjectorWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        m_dir.reset();
    }

    void theFormHoldsTheSheetAndTwoButtons() {
        CProjectorView* view = m_bench->NewProjector();
        QVERIFY(view);
        QVERIFY(OperatorFrame(view));
        QCOMPARE(view->Sheet()->pos(), QPoint(7, 7));
        QCOMPARE(view->Sheet()->windowTitle(), QString("Property Sheet"));
        QCOMPARE(TabTitles(view->Sheet()),
                 (QStringList{"Detector geometry", "X-ray Source path", "Snapshots", "Target", "Options"}));
        QCOMPARE(view->RenderButton()->text(), QString("Render"));
        QCOMPARE(view->PreviewButton()->text(), QString("OpenGL Preview"));
    }

    void pagesOpenWithTheirDefaults() {
        CProjectorPropertySheet* sheet = m_bench->NewProjector()->Sheet();
        const auto* d = sheet->DetectorPage();
        QCOMPARE(d->TypeBox()->count(), 1);
        QCOMPARE(d->TypeBox()->itemText(0), QString("Flat Rectangle Detector"));
        QCOMPARE(d->DimX()->text(), QString("4"));
        QCOMPARE(d->DimY()->text(), QString("4"));
        QCOMPARE(d->NumX()->text(), QString("128"));
        QCOMPARE(d->NumY()->text(), QString("128"));
        const auto* p = sheet->PathPage();
        QCOMPARE(p->TypeBox()->itemText(0), QString("Circle on X-Z"));
        QCOMPARE(p->SourceAxisDistance()->text(), QString("4"));
        QCOMPARE(p->AxisDetectorDistance()->text(), QString("4"));
        const auto* s = sheet->SnapshotsPage();
        QCOMPARE(s->ModeBox()->itemText(0), QString("Sample Angle"));
        QCOMPARE(s->StartAngle()->text(), QString("0"));
        QCOMPARE(s->EndAngle()->text(), QString("360"));
        QCOMPARE(s->StepNumber()->text(), QString("6"));
        const auto* o = sheet->OptionsPage();
        QVERIFY(o->LinkedButton()->isChecked());
        QVERIFY(o->OneRayButton()->isChecked());
        QCOMPARE(o->InPlaceButton()->text(), QString("Projections are In-place (memory hungry)"));
        QCOMPARE(o->FiveRaysButton()->text(), QString("Add four more rays please (a lot slower)"));
        QCOMPARE(ShownTypeName(sheet->TargetPage()), QString("n/a"));
    }

    void aPageWithAValueOutOfRangeCannotBeLeft() {
        CProjectorPropertySheet* sheet = m_bench->NewProjector()->Sheet();
        ScopedMessageBoxes boxes;
        sheet->setCurrentIndex(CProjectorPropertySheet::kSnapshotsPage);
        sheet->SnapshotsPage()->StartAngle()->setText("100");
        sheet->SnapshotsPage()->EndAngle()->setText("100.5");
        sheet->setCurrentIndex(CProjectorPropertySheet::kOptionsPage);
        QCOMPARE(sheet->currentIndex(), int(CProjectorPropertySheet::kSnapshotsPage));
        QCOMPARE(boxes.texts, QStringList{"Please enter a number between 101 and 360."});

        sheet->SnapshotsPage()->EndAngle()->setText("200");
        sheet->SnapshotsPage()->StepNumber()->setText("721");
        sheet->setCurrentIndex(CProjectorPropertySheet::kOptionsPage);
        QCOMPARE(boxes.texts.last(), QString("Please enter an integer between 1 and 720."));
        sheet->SnapshotsPage()->StepNumber()->setText("3");
        sheet->setCurrentIndex(CProjectorPropertySheet::kDetectorPage);
        QCOMPARE(sheet->currentIndex(), int(CProjectorPropertySheet::kDetectorPage));
        QCOMPARE(sheet->SnapshotsPage()->Values().endAngle, 200.0);

        sheet->DetectorPage()->NumX()->setText("31");
        sheet->setCurrentIndex(CProjectorPropertySheet::kPathPage);
        QCOMPARE(boxes.texts.last(), QString("Please enter an integer between 32 and 4096."));
        sheet->DetectorPage()->NumX()->setText("64");
        sheet->DetectorPage()->DimY()->setText("four");
        sheet->setCurrentIndex(CProjectorPropertySheet::kPathPage);
        QCOMPARE(boxes.texts.last(), QString("Please enter a number."));
        QCOMPARE(sheet->currentIndex(), int(CProjectorPropertySheet::kDetectorPage));
        sheet->DetectorPage()->DimY()->setText("1001");
        sheet->setCurrentIndex(CProjectorPropertySheet::kPathPage);
        QCOMPARE(boxes.texts.last(), QString("Please enter a number between 0 and 1000."));
        // The page keeps what it accepted last.
        QCOMPARE(sheet->DetectorPage()->Values().width, 128u);
    }

    void droppingAPhantomLinksIt() {
        CProjectorView* view = m_bench->NewProjector();
        CPhantom* phantom = m_bench->NewPhantom();
        QVERIFY(ProjectorWorkbench::FrameOf(*phantom));
        CTargetPage* page = view->Sheet()->TargetPage();
        view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
        QCOMPARE(DragTarget(*phantom, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), static_cast<CTarget*>(phantom));
        QVERIFY(phantom->GetViews().empty());  // its window closed
        QVERIFY(!phantom->m_bAutoDelete);
        QVERIFY(m_bench->Docs().FindTemplate(135)->GetDocuments().empty());
        QCOMPARE(ShownTypeName(page), QString("Phantom Document"));
    }

    void aSecondDropReplacesAndDeletesTheFirst() {
        CProjectorView* view = m_bench->NewProjector();
        CDocTemplate* tmpl = m_bench->Docs().FindTemplate(135);
        auto open = [&] {
            auto* phantom = new CountedPhantom;
            tmpl->AddDocument(phantom);
            phantom->OnNewDocument();
            CChildFrame::OpenFrame(*tmpl, *phantom);
            return phantom;
        };
        CPhantom* first = open();
        CPhantom* second = open();
        CTargetPage* page = view->Sheet()->TargetPage();
        g_deletedPhantoms = 0;
        QCOMPARE(DragTarget(*first, page), Qt::LinkAction);
        QCOMPARE(g_deletedPhantoms, 0);
        QCOMPARE(DragTarget(*second, page), Qt::LinkAction);
        QCOMPARE(g_deletedPhantoms, 1);
        QCOMPARE(page->GetTarget(), static_cast<CTarget*>(second));
        // Closing the projector's window takes the held target with it.
        ProjectorWorkbench::FrameOf(*view->GetProjector())->DestroyWindow();
        FlushDeletes();
        QCOMPARE(g_deletedPhantoms, 2);
    }

    void aDropOfAnotherKindIsRefused() {
        CProjectorView* view = m_bench->NewProjector();
        CProjectionCollection collection;
        CTargetMimeData data(collection);
        CTargetPage* page = view->Sheet()->TargetPage();
        QCOMPARE(Drop(page, data), Qt::IgnoreAction);
        QVERIFY(!page->GetTarget());
        QCOMPARE(ShownTypeName(page), QString("n/a"));
        // Bytes of the right format from elsewhere are no document either.
        QMimeData foreign;
        foreign.setData(CTargetMimeData::FormatFor(kTargetPhantom), QByteArray(8, '\x01'));
        QCOMPARE(Drop(page, foreign), Qt::IgnoreAction);
        QVERIFY(!page->GetTarget());
    }

    void aDoubleClickGivesTheTargetItsWindowBack() {
        CProjectorView* view = m_bench->NewProjector();
        CPhantom* phantom = m_bench->NewPhantom();
        CTargetPage* page = view->Sheet()->TargetPage();
        view->Sheet()->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
        QCOMPARE(DragTarget(*phantom, page), Qt::LinkAction);
        QTest::mouseDClick(page, Qt::LeftButton, Qt::NoModifier, CTargetPage::IconArea().center());
        QVERIFY(!page->GetTarget());
        QCOMPARE(ShownTypeName(page), QString("n/a"));
        QVERIFY(ProjectorWorkbench::FrameOf(*phantom));
        QVERIFY(phantom->m_bAutoDelete);
    }

    void theOptionsPageEditsTheDocument() {
        CProjectorView* view = m_bench->NewProjector();
        CProjectorPropertyPage_Options* options = view->Sheet()->OptionsPage();
        options->InPlaceButton()->click();
        options->FiveRaysButton()->click();
        QCOMPARE(view->GetProjector()->m_collectionMode, std::int32_t(CProjector::kInPlaceCollection));
        QCOMPARE(view->GetProjector()->m_rayMode, std::int32_t(CProjector::kFiveRays));
        QVERIFY(!options->LinkedButton()->isChecked());
        options->LinkedButton()->click();
        QCOMPARE(view->GetProjector()->m_collectionMode, std::int32_t(CProjector::kLinkedCollection));
        QVERIFY(options->FiveRaysButton()->isChecked());  // the groups are independent
    }

    void renderWithoutATargetDoesNothing() {
        CProjectorView* view = m_bench->NewProjector();
        ScopedMessageBoxes boxes;
        ScopedFilePrompts prompts;
        const std::size_t windows = m_bench->Frames().size();
        view->RenderButton()->click();
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(prompts.requests.empty());
        QCOMPARE(m_bench->Frames().size(), windows);
    }

    void renderInPlaceShowsTheNewCollection() {
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 3);
        view->Sheet()->OptionsPage()->InPlaceButton()->click();
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);

        // What the user sees while the run lasts, read at every clock tick.
        bool sawBusy = true;
        int ticks = 0;
        view->GetProjector()->SetClock([&] {
            ++ticks;
            const QCursor* cursor = QApplication::overrideCursor();
            sawBusy = sawBusy && !view->RenderButton()->isEnabled() && cursor && cursor->shape() == Qt::WaitCursor;
            return COperator::SystemFileTime();
        });
        ScopedFilePrompts prompts;
        view->RenderButton()->click();
        QVERIFY(prompts.requests.empty());  // in place: no file to ask for
        QCOMPARE(ticks, 4);                  // BeginRun and three steps
        QVERIFY(sawBusy);
        QVERIFY(view->RenderButton()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());

        CChildFrame* frame = view->LastCollectionFrame();
        QVERIFY(frame);
        auto* collection = dynamic_cast<CProjectionCollection*>(frame->GetDocument());
        QVERIFY(collection);
        QCOMPARE(collection->GetCount(), std::size_t{3});
        QCOMPARE(collection->GetProjection(2)->GetWidth(), 32u);
        QVERIFY(collection->GetProjection(0)->GetMaxValue() > 1.0f);
        COperatorChildFrame* operatorFrame = OperatorFrame(view);
        QVERIFY(operatorFrame->StatusText(0).startsWith("Average time: "));
        QVERIFY(operatorFrame->StatusText(0).endsWith(" ms / step"));
        QVERIFY(!operatorFrame->ProgressBar()->isVisible());
    }

    void renderLinkedAsksForTheCollectionFile() {
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 6);
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);
        ScopedFilePrompts prompts;

        view->RenderButton()->click();  // cancelled
        QCOMPARE(prompts.requests.size(), std::size_t{1});
        QVERIFY(!prompts.requests[0].open);
        QCOMPARE(prompts.requests[0].filters, QStringList{"Projection Collection Files (*.prs)"});
        QVERIFY(!view->LastCollectionFrame());
        QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).filter(".PRJ").isEmpty());

        prompts.paths.push_back(m_dir->filePath("scan"));
        view->RenderButton()->click();
        QVERIFY(view->LastCollectionFrame());
        auto* collection = dynamic_cast<CProjectionCollection*>(view->LastCollectionFrame()->GetDocument());
        QCOMPARE(QString::fromStdString(collection->GetPathName()), m_dir->filePath("scan.PRS"));
        // The run stages the members; saving the collection puts them in place.
        for (int k = 0; k < 6; ++k)
            QVERIFY(QFileInfo::exists(m_dir->filePath(QString("scan.PRS.%1.PRJ.voxmill-new").arg(k))));
        QVERIFY(!collection->GetMember(0)->m_bLoaded);
        QVERIFY(!QFileInfo::exists(m_dir->filePath("scan.PRS")));
        QVERIFY(collection->OnSaveDocument(collection->GetPathName()));
        for (int k = 0; k < 6; ++k)
            QVERIFY(QFileInfo::exists(m_dir->filePath(QString("scan.PRS.%1.PRJ").arg(k))));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).filter("voxmill").size(), 0);
    }

    void membersThatCannotBeWrittenAreListed() {
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 2);
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);
        QFile plain(m_dir->filePath("plain-file"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        ScopedFilePrompts prompts;
        prompts.paths.push_back(m_dir->filePath("plain-file/scan.PRS"));
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        const QString listed = boxes.texts.join("\n");
        QVERIFY2(listed.contains("could not be written"), qPrintable(listed));
        QVERIFY(listed.contains(m_dir->filePath("plain-file/scan.PRS.1.PRJ")));
        auto* collection = dynamic_cast<CProjectionCollection*>(view->LastCollectionFrame()->GetDocument());
        QVERIFY(collection->GetProjection(1)->HasPixels());  // kept in memory
    }

    void withoutACollectionWindowTheRunOffersToSave() {
        m_bench.reset();
        m_bench = std::make_unique<ProjectorWorkbench>(false);
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 2);
        view->Sheet()->OptionsPage()->InPlaceButton()->click();
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);
        ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::Yes;
        ScopedFilePrompts prompts;
        prompts.paths.push_back(m_dir->filePath("kept"));
        view->RenderButton()->click();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith("No window can show the new projection collection"));
        QVERIFY(QFileInfo::exists(m_dir->filePath("kept.PRS")));
        CProjectionCollection reopened;
        reopened.Open(m_dir->filePath("kept.PRS").toStdString());
        QCOMPARE(reopened.GetCount(), std::size_t{2});
    }

    void thePreviewWindowNeedsNoTarget() {
        // The offscreen platform has no OpenGL: the window opens and stays empty.
        CProjectorView* view = m_bench->NewProjector();
        view->PreviewButton()->click();
        CGLContextView* preview = view->LastPreview();
        QVERIFY(preview);
        QVERIFY(preview->GetContextDocument());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ProjectorWorkbench> m_bench;
private slots:
    void inputDuringARunDoesNotActAfterIt() {
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 5);
        view->Sheet()->OptionsPage()->InPlaceButton()->click();
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);
        CPhantom* other = m_bench->NewPhantom();
        CChildFrame* otherFrame = ProjectorWorkbench::FrameOf(*other);
        COperatorChildFrame* projectorFrame = OperatorFrame(view);
        m_bench->Frame().MdiArea()->setActiveSubWindow(projectorFrame);
        QMenuBar* menus = m_bench->Frame().menuBar();
        const QList<QAction*> menuActions = menus->actions();
        QVERIFY(!menuActions.isEmpty());
        const std::size_t windows = m_bench->Frames().size();

        OnEachReading(view, [&](int reading) {
            if (reading != 3) return;
            // Queued for later, as a busy program would leave them...
            QCoreApplication::postEvent(otherFrame, new QCloseEvent);
            QCoreApplication::postEvent(projectorFrame, new QCloseEvent);
            QCoreApplication::postEvent(&m_bench->Frame(), new QCloseEvent);
            QCoreApplication::postEvent(projectorFrame,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            QCoreApplication::postEvent(otherFrame, new QKeyEvent(QEvent::KeyPress, Qt::Key_W, Qt::ControlModifier));
            // ...and typed and clicked right now.
            QTest::keyClick(projectorFrame, Qt::Key_W, Qt::ControlModifier);
            QTest::keyClick(&m_bench->Frame(), Qt::Key_F4, Qt::ControlModifier);
            QTest::mouseClick(menus, Qt::LeftButton, Qt::NoModifier, menus->actionGeometry(menuActions[0]).center());
            QTest::mouseClick(view->RenderButton(), Qt::LeftButton);  // no second run meanwhile
        });
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        FlushDeletes();

        QVERIFY(boxes.texts.isEmpty());  // nothing asked to save either
        QVERIFY(!QApplication::activePopupWidget());
        QVERIFY(m_bench->Frame().isVisible());
        QVERIFY(!otherFrame->IsDestroyed());
        QVERIFY(!projectorFrame->IsDestroyed());
        QCOMPARE(ProjectorWorkbench::FrameOf(*other), otherFrame);
        QCOMPARE(m_bench->Frames().size(), windows + 1);  // and the one new collection
        QVERIFY(view->LastCollectionFrame());
        QVERIFY(projectorFrame->StatusText(0).startsWith("Average time: "));

        // Outside a run the same close goes through.
        QCoreApplication::postEvent(otherFrame, new QCloseEvent);
        FlushDeletes();
        QCOMPARE(m_bench->Frames().size(), windows);
    }

    void cancelShowsWithTheTimeLeftAndRemovesWhatTheRunWrote() {
        CProjectorView* view = m_bench->NewProjector();
        UseSmallGeometry(view, 10);
        QCOMPARE(DragTarget(*m_bench->NewPhantom(), view->Sheet()->TargetPage()), Qt::LinkAction);
        ScopedFilePrompts prompts;
        // The previous collection, whole and saved.
        prompts.paths.push_back(m_dir->filePath("scan"));
        view->RenderButton()->click();
        CChildFrame* previousFrame = view->LastCollectionFrame();
        QVERIFY(previousFrame);
        CDocument* previous = previousFrame->GetDocument();
        QVERIFY(previous->OnSaveDocument(previous->GetPathName()));
        previous->OnCloseDocument();
        FlushDeletes();
        const QMap<QString, QByteArray> saved = FolderBytes(*m_dir);
        QCOMPARE(saved.size(), 11);  // the collection and its ten members
        const std::size_t windows = m_bench->Frames().size();

        COperatorChildFrame* frame = OperatorFrame(view);
        QToolButton* cancel = frame->CancelButton();
        QVERIFY(cancel->isHidden());
        QStringList shown;
        bool cancelShown = true;
        OnEachReading(view, [&](int reading) {
            cancelShown = cancelShown && cancel->isVisible() && cancel->isEnabled() == (reading < 5);
            shown << frame->ProgressBar()->text();
            if (reading != 4) return;
            SaveShot(view, "run-with-cancel.png");
            QTest::mouseClick(cancel, Qt::LeftButton);  // during step 3
        });
        prompts.paths.push_back(m_dir->filePath("scan"));
        view->RenderButton()->click();
        FlushDeletes();

        QVERIFY(cancelShown);
        QCOMPARE(shown.size(), 4);  // BeginRun and three steps
        QCOMPARE(shown[0], QString("0 %"));
        const QRegularExpression timeLeft("^(10|20) %  \\d+:\\d\\d left$");
        QVERIFY2(timeLeft.match(shown[2]).hasMatch(), qPrintable(shown[2]));
        QVERIFY(cancel->isHidden());
        QVERIFY(frame->ProgressBar()->isHidden());
        QCOMPARE(frame->StatusText(0), QString("Cancelled"));
        QCOMPARE(view->GetProjector()->m_nStep, 3u);
        QVERIFY(!view->LastCollectionFrame());
        QCOMPARE(m_bench->Frames().size(), windows);
        QCOMPARE(FolderBytes(*m_dir), saved);  // nothing staged is left, nothing replaced

        // The next run is whole, and its collection has the same bytes.
        view->GetProjector()->SetClock(nullptr);
        prompts.paths.push_back(m_dir->filePath("scan"));
        view->RenderButton()->click();
        QVERIFY(view->LastCollectionFrame());
        CDocument* again = view->LastCollectionFrame()->GetDocument();
        QVERIFY(again->OnSaveDocument(again->GetPathName()));
        QCOMPARE(FolderBytes(*m_dir), saved);
        QVERIFY(frame->StatusText(0).startsWith("Average time: "));
    }

    void progressTextCountsDownTheTimeLeft() {
        QCOMPARE(COperatorChildFrame::ProgressText(0, 10, 0), QString("0 %"));
        QCOMPARE(COperatorChildFrame::ProgressText(3, 10, 3000), QString("30 %  0:07 left"));
        QCOMPARE(COperatorChildFrame::ProgressText(1, 3, 1), QString("33 %  0:01 left"));  // rounded up
        QCOMPARE(COperatorChildFrame::ProgressText(1, 90, 40000), QString("1 %  59:20 left"));
        QCOMPARE(COperatorChildFrame::ProgressText(1, 100, 40000), QString("1 %  1:06:00 left"));
        QCOMPARE(COperatorChildFrame::ProgressText(10, 10, 5000), QString("100 %  0:00 left"));
        QCOMPARE(COperatorChildFrame::ProgressText(12, 10, 5000), QString("100 %  0:00 left"));
        QCOMPARE(COperatorChildFrame::ProgressText(0, 0, 0), QString("100 %"));
    }

};

QTEST_MAIN(ProjectorWindowTest)
#include "ProjectorWindowTest.moc"
