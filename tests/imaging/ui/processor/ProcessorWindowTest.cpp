// The processor window driven as a user would: the form and its sheet, the
// Warping page's controls, defaults and angle check, target drops, and
// "Render" with its progress, wait cursor and the warped collection.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <QToolButton>
#include <functional>

#include "app/ui/OperatorChildFrame.h"
#include "imaging/Warp.h"
#include "imaging/ui/processor/ProcessorPropertyPage_Target.h"
#include "imaging/ui/processor/ProcessorPropertyPage_Warp.h"
#include "imaging/ui/processor/ProcessorPropertySheet.h"
#include "phantom/Phantom.h"
#include "tests/app/ui/UiTestSupport.h"
#include "tests/imaging/ui/processor/ProcessorUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

using Page = CProcessorPropertySheet::Page;

QStringList TabTitles(const QTabWidget* sheet) {
    QStringList titles;
    for (int i = 0; i < sheet->count(); ++i) titles << sheet->tabText(i);
    return titles;
}

COperatorChildFrame* OperatorFrame(CProcessorView* view) {
    return dynamic_cast<COperatorChildFrame*>(view->GetParentFrame());
}

std::vector<float> Pixels(const CProjection& p) { return {p.GetPixels(), p.GetPixels() + p.GetPixelCount()}; }

// Member i of a bench collection, warped by hand.
std::vector<float> Expected(int i, const std::function<void(CSurface&)>& warp) {
    CProjection p;
    p.Create(4.0, 4.0, 8, 8);
    for (std::size_t k = 0; k < p.GetPixelCount(); ++k) p.GetPixels()[k] = float(64 * i + 1 + k);
    warp(p);
    return Pixels(p);
}

// Records, at each progress step, whether the window showed the run's state.
struct StepRecord {
    bool buttonEnabled;
    bool waitCursor;
};
std::vector<StepRecord> g_steps;
// Called with the number of each step before the step is shown.
std::function<void(std::size_t)> g_atStep;

class CObservedProcessor : public CProcessor {
public:
    void Step() override {
        auto* view = GetViews().empty() ? nullptr : dynamic_cast<CProcessorView*>(GetViews().front());
        const QCursor* cursor = QApplication::overrideCursor();
        g_steps.push_back({view && view->RenderButton()->isEnabled(), cursor && cursor->shape() == Qt::WaitCursor});
        if (g_atStep) g_atStep(g_steps.size());
        CProcessor::Step();
    }
};

int g_deletedCollections = 0;
class CCountedCollection : public CProjectionCollection {
public:
    ~CCountedCollection() override { ++g_deletedCollections; }
};

}  // namespace

class ProcessorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_bench = std::make_unique<ProcessorWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        FlushDeletes();
        m_dir.reset();
    }

    void theFormHoldsTheSheetAndRender() {
        CProcessorView* view = m_bench->NewProcessor();
        QVERIFY(view);
        QVERIFY(OperatorFrame(view));
        QCOMPARE(view->Sheet()->pos(), QPoint(7, 7));
        QCOMPARE(view->Sheet()->windowTitle(), QString("Property Sheet"));
        QCOMPARE(TabTitles(view->Sheet()), (QStringList{"Warping", "Target"}));
        QCOMPARE(view->RenderButton()->text(), QString("Render"));
        QVERIFY(view->RenderButton()->isEnabled());
        QCOMPARE(QString::fromStdString(view->GetDocument()->GetTitle()), QString("Processor1"));
        QCOMPARE(m_bench->Template(ProcessorWorkbench::kProcessor).GetDocString(CDocTemplate::filterName),
                 std::string("Processor Files  (*.prc)"));
    }

    void theWarpingPageStartsOffWithItsRanges() {
        CProcessorPropertyPage_Warp* page = m_bench->NewProcessor()->Sheet()->WarpPage();
        QStringList groups;
        for (const QGroupBox* group : page->findChildren<QGroupBox*>()) groups << group->title();
        QCOMPARE(groups, (QStringList{"Shift", "Rotate", "Spherize"}));
        for (QCheckBox* yes : {page->ShiftYes(), page->RotateYes(), page->SpherizeYes()}) {
            QCOMPARE(yes->text(), QString("Yes"));
            QVERIFY(!yes->isChecked());
        }
        for (QSpinBox* spin : {page->ShiftX(), page->ShiftY()}) {
            QCOMPARE(spin->value(), 0);
            QCOMPARE(spin->minimum(), -300);
            QCOMPARE(spin->maximum(), 300);
        }
        QCOMPARE(page->Amount()->value(), 0);
        QCOMPARE(page->Amount()->minimum(), -100);
        QCOMPARE(page->Amount()->maximum(), 100);
        QCOMPARE(page->Degrees()->text(), QString("0"));
        QVERIFY(page->CounterClockwise()->isChecked());
        QCOMPARE(page->CounterClockwise()->text(), QString("CCW"));
        QCOMPARE(page->Clockwise()->text(), QString("CW"));
        QVERIFY(page->SpherizeX()->isChecked());
        QVERIFY(page->SpherizeY()->isChecked());
        // A new window starts from the defaults again, whatever an earlier one held.
        page->ShiftYes()->setChecked(true);
        page->Degrees()->setText("45");
        QCOMPARE(m_bench->NewProcessor()->Sheet()->WarpPage()->Degrees()->text(), QString("0"));
    }

    void anAngleOutsideTheRangeIsRefusedAndNothingIsProcessed() {
        CProcessorView* view = m_bench->NewProcessor();
        CProjectionCollection* collection = m_bench->NewCollection(2);
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        QCOMPARE(DragTarget(*collection, view->Sheet()->TargetPage()), Qt::LinkAction);
        view->Sheet()->setCurrentIndex(Page::kWarpPage);
        CProcessorPropertyPage_Warp* page = view->Sheet()->WarpPage();
        page->ShiftYes()->setChecked(true);
        page->ShiftX()->setValue(1);
        page->Degrees()->setText("400");
        {
            ScopedMessageBoxes boxes;
            // Leaving the page is refused with the standard range message.
            view->Sheet()->setCurrentIndex(Page::kTargetPage);
            QCOMPARE(view->Sheet()->currentIndex(), int(Page::kWarpPage));
            QCOMPARE(boxes.texts, QStringList{"Please enter a number between 0 and 360."});
            view->RenderButton()->click();
            QCOMPARE(boxes.texts.size(), 2);
        }
        QCOMPARE(Pixels(*collection->GetProjection(0)), Expected(0, [](CSurface&) {}));
        QVERIFY(!collection->IsModified());
        for (const char* text : {"-1", "abc", "360.5"}) {
            ScopedMessageBoxes boxes;
            page->Degrees()->setText(text);
            view->RenderButton()->click();
            QCOMPARE(boxes.texts.size(), 1);
        }
        QCOMPARE(Pixels(*collection->GetProjection(1)), Expected(1, [](CSurface&) {}));
        // 360 itself is allowed.
        page->Degrees()->setText("360");
        view->RenderButton()->click();
        QCOMPARE(Pixels(*collection->GetProjection(1)), Expected(1, [](CSurface& s) { Shift(s, 1, 0); }));
    }

    void theTargetPageTakesProjectionCollectionsOnly() {
        CProcessorView* view = m_bench->NewProcessor();
        CProcessorPropertyPage_Target* page = view->Sheet()->TargetPage();
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        QCOMPARE(page->TargetTypeName(), QString("n/a"));
        auto* phantom = static_cast<CPhantom*>(m_bench->Frame().NewDocument(m_bench->Template(ProcessorWorkbench::kPhantom)));
        QVERIFY(phantom);
        // The page refuses it; the main frame under it only moves the window.
        QVERIFY(DragTarget(*phantom, page) != Qt::LinkAction);
        QCOMPARE(page->GetTarget(), nullptr);
        QVERIFY(!phantom->GetViews().empty());

        g_deletedCollections = 0;
        auto* first = new CCountedCollection;
        QVERIFY(m_bench->NewCollection(1, first));
        QCOMPARE(DragTarget(*first, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), first);
        QCOMPARE(page->TargetTypeName(), QString("Projection Collection Document"));
        QVERIFY(first->GetViews().empty());  // its window went
        // A second collection replaces the first, which is closed and deleted.
        CProjectionCollection* second = m_bench->NewCollection(1);
        QCOMPARE(DragTarget(*second, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), second);
        QCOMPARE(g_deletedCollections, 1);
    }

    void renderWarpsEveryProjectionWithProgressAndTheWaitCursor() {
        auto* doc = new CObservedProcessor;
        CProcessorView* view = m_bench->NewProcessor(doc);
        QVERIFY(view);
        CProjectionCollection* collection = m_bench->NewCollection(3);
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        DragTarget(*collection, view->Sheet()->TargetPage());
        view->Sheet()->setCurrentIndex(Page::kWarpPage);
        CProcessorPropertyPage_Warp* page = view->Sheet()->WarpPage();
        page->ShiftYes()->setChecked(true);
        page->ShiftX()->setValue(2);
        page->ShiftY()->setValue(-1);
        page->RotateYes()->setChecked(true);
        page->Degrees()->setText("90");
        page->Clockwise()->setChecked(true);
        page->SpherizeYes()->setChecked(true);
        page->Amount()->setValue(-30);
        page->SpherizeY()->setChecked(false);

        g_steps.clear();
        view->RenderButton()->click();
        QCOMPARE(g_steps.size(), 3u);
        for (const StepRecord& step : g_steps) {
            QVERIFY(!step.buttonEnabled);
            QVERIFY(step.waitCursor);
        }
        QVERIFY(view->RenderButton()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!OperatorFrame(view)->ProgressBar()->isVisible());
        QVERIFY(OperatorFrame(view)->StatusText(0).startsWith("Average time: "));
        QCOMPARE(doc->m_strStepText, std::string("Processing..."));

        for (int i = 0; i < 3; ++i)
            QCOMPARE(Pixels(*collection->GetProjection(i)), Expected(i, [](CSurface& s) {
                         Shift(s, 2, -1);
                         Rotate(s, -90.0);
                         Spherize(s, -30, true, false);
                     }));
        QVERIFY(collection->IsModified());
    }

    void cancelGivesEveryMemberItsPixelsBack() {
        auto* doc = new CObservedProcessor;
        CProcessorView* view = m_bench->NewProcessor(doc);
        QVERIFY(view);
        CProjectionCollection* collection = m_bench->NewCollection(4);
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        DragTarget(*collection, view->Sheet()->TargetPage());
        view->Sheet()->setCurrentIndex(Page::kWarpPage);
        view->Sheet()->WarpPage()->ShiftYes()->setChecked(true);
        view->Sheet()->WarpPage()->ShiftX()->setValue(2);
        COperatorChildFrame* frame = OperatorFrame(view);
        g_steps.clear();
        g_atStep = [&](std::size_t step) {
            if (step == 2) QTest::mouseClick(frame->CancelButton(), Qt::LeftButton);
        };
        view->RenderButton()->click();
        g_atStep = nullptr;
        QCOMPARE(g_steps.size(), 2u);
        QCOMPARE(frame->StatusText(0), QString("Cancelled"));
        QVERIFY(frame->CancelButton()->isHidden());
        for (int i = 0; i < 4; ++i) QCOMPARE(Pixels(*collection->GetProjection(i)), Expected(i, [](CSurface&) {}));
        QVERIFY(!collection->IsModified());
    }

    void closingTheWindowAfterARunAsksToSaveTheWarpedCollection() {
        CProcessorView* view = m_bench->NewProcessor();
        CProjectionCollection* collection = m_bench->NewCollection(1);
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        DragTarget(*collection, view->Sheet()->TargetPage());
        view->Sheet()->WarpPage()->SpherizeYes()->setChecked(true);
        view->Sheet()->WarpPage()->Amount()->setValue(50);
        view->RenderButton()->click();
        const QString title = QString::fromStdString(collection->GetTitle());
        ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::Cancel;
        auto* frame = dynamic_cast<CChildFrame*>(view->GetParentFrame());
        QVERIFY(frame);
        QVERIFY(!frame->close());
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("Save changes to %1?").arg(title)});
        QCOMPARE(view->Sheet()->TargetPage()->GetTarget(), collection);  // kept: nothing lost
    }

    void renderWithoutATargetDoesNothing() {
        auto* doc = new CObservedProcessor;
        CProcessorView* view = m_bench->NewProcessor(doc);
        view->Sheet()->WarpPage()->ShiftYes()->setChecked(true);
        ScopedMessageBoxes boxes;
        g_steps.clear();
        view->RenderButton()->click();
        QVERIFY(g_steps.empty());
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(view->RenderButton()->isEnabled());
    }

    void aMemberThatCannotBeReadIsNamed() {
        CProcessorView* view = m_bench->NewProcessor();
        CProjectionCollection* collection = m_bench->NewCollection(2);
        // Member 1 lives in a file that has gone.
        CListElementStub* stub = collection->GetMember(1);
        stub->m_bLinked = true;
        const std::string path = m_dir->filePath("gone.prj").toStdString();
        QVERIFY(stub->SetLinkPath(path));
        stub->Unload();
        QFile::remove(QString::fromStdString(path));
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        DragTarget(*collection, view->Sheet()->TargetPage());
        view->Sheet()->WarpPage()->ShiftYes()->setChecked(true);
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        QVERIFY(!boxes.texts.isEmpty());
        QVERIFY2(boxes.texts.last().contains("gone.prj"), qPrintable(boxes.texts.join(" | ")));
        QCOMPARE(Pixels(*collection->GetProjection(0)), Expected(0, [](CSurface& s) { Shift(s, 0, 0); }));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ProcessorWorkbench> m_bench;
};

QTEST_MAIN(ProcessorWindowTest)
#include "ProcessorWindowTest.moc"
