// The digitizer's window and the projector's grabbing run in the
// workbench, on the simulated camera libraries: the two pages and their
// range checks, Live Preview showing moving frames, the manual trigger's
// "Import" prompt and linked members. With VOXMILL_SCREENSHOTS set, the
// window's two pages and a live frame are saved there as PNG files.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QtTest>

#include "acquisition/Projector.h"
#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "acquisition/ui/ProjectorPropertySheet.h"
#include "app/ui/MainFrame.h"
#include "app/ui/OperatorChildFrame.h"
#include "app/ui/VoxmillApp.h"
#include "app/ui/WorkbenchFrames.h"
#include "hardware/Digitizer.h"
#include "hardware/SlideCollection.h"
#include "hardware/ui/DigitizerPropertyPage_Settings.h"
#include "hardware/ui/DigitizerPropertyPage_Trigger.h"
#include "hardware/ui/DigitizerPropertySheet.h"
#include "hardware/ui/DigitizerView.h"
#include "tests/acquisition/projector/ui/ProjectorUiSupport.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;

namespace {

template <class View>
View* ViewOf(CDocument* doc) {
    CChildFrame* frame = doc ? test::ProjectorWorkbench::FrameOf(*doc) : nullptr;
    return frame ? dynamic_cast<View*>(frame->GetView()) : nullptr;
}

void Screenshot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("VOXMILL_SCREENSHOTS");
    if (!dir.isEmpty()) QVERIFY(widget->grab().save(dir + "/" + name + ".png"));
}

}  // namespace

class DigitizerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        test::UseSettingsIn(m_dir);
        m_newKind = std::make_unique<test::ScopedNewKind>("Phantom");
        m_app = std::make_unique<CVoxmillApp>(WorkbenchFrameTable());
        QVERIFY(m_app->InitInstance({"voxmill"}));
        QVERIFY(m_app->m_bMilReady);
        m_digitizer = dynamic_cast<CDigitizer*>(NewDocument(142));
        QVERIFY(m_digitizer);
        m_view = ViewOf<CDigitizerView>(m_digitizer);
        QVERIFY(m_view);
    }
    void cleanup() {
        test::ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::No;
        m_app->ExitInstance();
        m_app.reset();
        m_newKind.reset();
    }

    void pagesShowTheDigitizersFields() {
        CDigitizerPropertySheet* sheet = m_view->Sheet();
        QCOMPARE(sheet->tabText(0), QString("Input region"));
        QCOMPARE(sheet->tabText(1), QString("Trigger control"));
        CDigitizerPropertyPage_Settings* page = sheet->SettingsPage();
        QCOMPARE(page->Boards()->count(), 1);
        QCOMPARE(page->Boards()->itemText(0), QString("Matrox Genesis"));
        QCOMPARE(page->FullWidth()->text(), QString("768"));
        QCOMPARE(page->FullHeight()->text(), QString("576"));
        QCOMPARE(page->NumX()->text(), QString("768"));
        QCOMPARE(page->OffsetY()->text(), QString("0"));
        QVERIFY(page->Scale(CDigitizer::kScaleFull)->isChecked());
        QCOMPARE(page->Scale(CDigitizer::kScaleHalf)->text(), QString("0.50"));
        QVERIFY(sheet->TriggerPage()->DefaultTrigger()->isChecked());
        QCOMPARE(sheet->TriggerPage()->DefaultTrigger()->text(), QString("Default (dcf file based)"));
        Screenshot(m_view->window(), "digitizer-input-region");

        // The values go to the document when the page is left.
        page->Scale(CDigitizer::kScaleHalf)->setChecked(true);
        page->NumX()->setText("600");
        page->OffsetX()->setText("100");
        sheet->setCurrentIndex(CDigitizerPropertySheet::kTriggerPage);
        QCOMPARE(m_digitizer->regionWidth, 600u);
        QCOMPARE(m_digitizer->regionOffsetX, 100u);
        QCOMPARE(m_digitizer->scaleIndex, static_cast<std::int32_t>(CDigitizer::kScaleHalf));
        sheet->TriggerPage()->ManualTrigger()->setChecked(true);
        Screenshot(m_view->window(), "digitizer-trigger-control");
        sheet->setCurrentIndex(CDigitizerPropertySheet::kSettingsPage);
        QCOMPARE(m_digitizer->triggerMode, static_cast<std::int32_t>(CDigitizer::kTriggerManual));
    }

    void outOfRangeValuesAreRefusedAndLivePreviewDoesNotRun() {
        test::ScopedMessageBoxes boxes;
        CDigitizerPropertyPage_Settings* page = m_view->Sheet()->SettingsPage();
        page->NumX()->setText("8");
        m_view->LivePreviewButton()->click();
        QCOMPARE(boxes.texts, QStringList{"Please enter an integer between 16 and 768."});
        QVERIFY(!m_digitizer->IsLive());
        QCOMPARE(m_digitizer->GetLiveBuffer(), 0u);

        page->NumX()->setText("700");
        page->OffsetX()->setText("69");
        m_view->LivePreviewButton()->click();
        QCOMPARE(boxes.texts.last(), QString("Please enter an integer between 0 and 68."));
        QCOMPARE(m_digitizer->regionWidth, 768u);
        QVERIFY(!m_digitizer->IsLive());
    }

    void livePreviewShowsMovingFrames() {
        m_view->Sheet()->SettingsPage()->Scale(CDigitizer::kScaleHalf)->setChecked(true);
        m_view->LivePreviewButton()->click();
        QVERIFY(m_digitizer->IsLive());
        const QImage first = m_view->LastFrame();
        QCOMPARE(first.size(), QSize(384, 288));
        QVERIFY(!m_view->Picture()->pixmap().isNull());
        // The picture follows the live buffer on the view's timer.
        QTRY_VERIFY_WITH_TIMEOUT(m_view->LastFrame() != first, 3000);
        Screenshot(m_view->window(), "digitizer-live-preview");
        // A second Live Preview restarts it.
        m_view->LivePreviewButton()->click();
        QVERIFY(m_digitizer->IsLive());
    }

    void manualTriggerCancelledAtTheThirdPromptKeepsTwoSlides() {
        CProjectorView* projectorView = ProjectorOn(5);
        m_digitizer->triggerMode = CDigitizer::kTriggerManual;
        test::ScopedMessageBoxes boxes;
        boxes.answers = {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Cancel};
        projectorView->RenderButton()->click();
        QCOMPARE(boxes.texts, QStringList(3, "Click OK to grab the next Slide "));
        QVERIFY(projectorView->LastCollectionFrame());
        auto* cine = dynamic_cast<CSlideCollection*>(projectorView->LastCollectionFrame()->GetDocument());
        QVERIFY(cine);
        QCOMPARE(cine->GetCount(), std::size_t{2});
        // The run ended before its last step: no bar is left standing.
        auto* frame = dynamic_cast<COperatorChildFrame*>(projectorView->GetParentFrame());
        QVERIFY(frame);
        QVERIFY(frame->ProgressBar()->isHidden());
    }

    void linkedMembersAreNamedAfterTheCollection() {
        CProjectorView* projectorView = ProjectorOn(3);
        CProjector* projector = projectorView->GetProjector();
        projector->m_collectionMode = CProjector::kLinkedCollection;
        test::ScopedFilePrompts prompts;
        prompts.paths = {m_dir.filePath("cine")};
        projectorView->RenderButton()->click();
        QCOMPARE(prompts.requests.size(), std::size_t{1});
        QCOMPARE(prompts.requests.front().filters, QStringList{"Slide Collection Files (*.sds)"});
        // Staged until the new cine is saved, then put in place.
        for (int k = 0; k < 3; ++k)
            QVERIFY(QFile::exists(m_dir.filePath(QString("cine.SDS.%1.SLD.voxmill-new").arg(k))));
        QVERIFY(projectorView->LastCollectionFrame());
        auto* cine = dynamic_cast<CSlideCollection*>(projectorView->LastCollectionFrame()->GetDocument());
        QVERIFY(cine);
        cine->Save(m_dir.filePath("cine.SDS").toStdString());
        for (int k = 0; k < 3; ++k) QVERIFY(QFile::exists(m_dir.filePath(QString("cine.SDS.%1.SLD").arg(k))));
        QVERIFY(!QFile::exists(m_dir.filePath("cine.SDS.3.SLD")));
    }

    void droppedOnTheMainFrameTheDigitizerOnlyMoves() {
        CMainFrame& frame = *m_app->GetMainFrame();
        CChildFrame* source = test::ProjectorWorkbench::FrameOf(*m_digitizer);
        CTargetMimeData data(*m_digitizer);
        const QPoint dropAt = frame.MdiArea()->mapTo(&frame, QPoint(200, 150));
        QCOMPARE(test::Drop(&frame, data, dropAt), Qt::MoveAction);
        QCOMPARE(test::ProjectorWorkbench::FrameOf(*m_digitizer), source);
        QVERIFY(m_digitizer->m_bAutoDelete);
    }

private:
    CDocument* NewDocument(unsigned id) {
        return m_app->GetMainFrame()->NewDocument(*m_app->GetDocManager()->FindTemplate(id));
    }
    // A projector of `steps` snapshots on 128 x 128 pixels holding the
    // digitizer, cut to a 128 x 128 region, as its target.
    CProjectorView* ProjectorOn(int steps) {
        m_digitizer->SetSettings(128, 128, 0, 0, CDigitizer::kScaleFull, CDigitizer::kTriggerDefault);
        auto* view = ViewOf<CProjectorView>(NewDocument(131));
        if (!view) return nullptr;
        CProjectorPropertySheet* sheet = view->Sheet();
        sheet->setCurrentIndex(CProjectorPropertySheet::kSnapshotsPage);
        sheet->SnapshotsPage()->findChild<QLineEdit*>("Step number")->setText(QString::number(steps));
        sheet->setCurrentIndex(CProjectorPropertySheet::kTargetPage);
        view->GetProjector()->m_collectionMode = CProjector::kInPlaceCollection;
        if (test::DragTarget(*m_digitizer, sheet->TargetPage()) != Qt::LinkAction) return nullptr;
        return view;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<test::ScopedNewKind> m_newKind;
    std::unique_ptr<CVoxmillApp> m_app;
    CDigitizer* m_digitizer = nullptr;
    CDigitizerView* m_view = nullptr;
};

QTEST_MAIN(DigitizerWindowTest)
#include "DigitizerWindowTest.moc"
