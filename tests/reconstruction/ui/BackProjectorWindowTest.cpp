// The backprojector window driven as a user would: the sheet and its
// pages with their defaults and checks, the choice and replacement of
// renderers with their pages (Tessor's and the test module's), target
// drops, and "Render" with its volume windows, wait cursor and progress.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QPointer>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "app/ListElementStub.h"
#include "app/archive/ErrorSink.h"
#include "app/ui/PropertyPageX.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/PluginModule.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Options.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Renderer.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Volume.h"
#include "reconstruction/ui/BackProjectorPropertySheet.h"
#include "tests/app/ui/UiTestSupport.h"
#include "tests/reconstruction/TestRendererIds.h"
#include "tests/reconstruction/ui/ReconstructionUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

using Page = CBackProjectorPropertySheet::Page;
using Axis = CBackProjectorPropertyPage_Volume::Axis;

QStringList TabTitles(const QTabWidget* sheet) {
    QStringList titles;
    for (int i = 0; i < sheet->count(); ++i) titles << sheet->tabText(i);
    return titles;
}

QStringList FourPages() { return {"Volume geometry", "General Options", "Target", "Renderer"}; }

QString ShownTypeName(const CTargetPage* page) {
    QStringList texts;
    for (const QLabel* label : page->findChildren<QLabel*>()) texts << label->text();
    texts.removeAll(QStringLiteral("Target type:"));
    return texts.value(0);
}

COperatorChildFrame* OperatorFrame(CBackProjectorView* view) {
    return dynamic_cast<COperatorChildFrame*>(view->GetParentFrame());
}

std::string TestModuleLog() {
    std::string error;
    CPluginModule* module = CPluginModule::Open(VOXMILL_TEST_RENDERER, &error);
    auto log = module ? reinterpret_cast<PFN_TestLog>(module->Symbol(kTestLogSymbol)) : nullptr;
    return log ? log() : std::string();
}

void ClearTestModuleLog() {
    std::string error;
    CPluginModule* module = CPluginModule::Open(VOXMILL_TEST_RENDERER, &error);
    if (auto clear = module ? reinterpret_cast<PFN_TestClearLog>(module->Symbol(kTestClearLogSymbol)) : nullptr)
        clear();
}

bool Register(const char* module) {
    std::string error;
    const HRESULT hr = CPluginRegistry::RegisterModule(module, &error);
    if (FAILED(hr)) qWarning("cannot register %s: %s", module, error.c_str());
    return SUCCEEDED(hr);
}

// Records, at each progress step, whether the window showed the run's state.
struct StepRecord {
    bool buttonEnabled;
    bool waitCursor;
};
std::vector<StepRecord> g_steps;
// Called with the number of each step before the step is shown.
std::function<void(std::size_t)> g_atStep;

class CObservedBackProjector : public CBackProjector {
public:
    void Step() override {
        auto* view = GetViews().empty() ? nullptr : dynamic_cast<CBackProjectorView*>(GetViews().front());
        const QCursor* cursor = QApplication::overrideCursor();
        g_steps.push_back({view && view->RenderButton()->isEnabled(), cursor && cursor->shape() == Qt::WaitCursor});
        if (g_atStep) g_atStep(g_steps.size());
        CBackProjector::Step();
    }
};

}  // namespace

class BackProjectorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        // Never the user's registry: each test has one of its own.
        qputenv("VOXMILL_REGISTRY", m_dir->filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        ClearLastReportedError();
        m_bench = std::make_unique<ReconstructionWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        FlushDeletes();
        qunsetenv("VOXMILL_REGISTRY");
        m_dir.reset();
    }

    void theFormHoldsTheSheetAndTwoButtons() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        QVERIFY(view);
        QVERIFY(OperatorFrame(view));
        QCOMPARE(view->Sheet()->pos(), QPoint(7, 7));
        QCOMPARE(view->Sheet()->size(), view->Sheet()->sizeHint());
        QCOMPARE(view->Sheet()->windowTitle(), QString("Property Sheet"));
        QCOMPARE(TabTitles(view->Sheet()), FourPages());
        QCOMPARE(view->RenderButton()->text(), QString("Render"));
        QVERIFY(view->RenderButton()->isEnabled());
        QCOMPARE(view->PreviewButton()->text(), QString("OpenGL Preview"));
        QVERIFY(!view->PreviewButton()->isEnabled());
        QVERIFY(view->Sheet()->OptionsPage()->children().isEmpty());
    }

    void aNewBackprojectorShowsItsDefaults() {
        CBackProjectorPropertySheet* sheet = m_bench->NewBackProjector()->Sheet();
        const CBackProjectorPropertyPage_Volume* volume = sheet->VolumePage();
        QCOMPARE(volume->ShapeBox()->count(), 1);
        QCOMPARE(volume->ShapeBox()->currentText(), QString("Parallelepiped"));
        for (const char* group : {"X Axis", "Y Axis", "Z Axis"})
            QVERIFY2(volume->findChild<QGroupBox*>(group), group);
        for (Axis a : {Axis::kX, Axis::kY, Axis::kZ}) {
            QCOMPARE(volume->Dimension(a)->text().toDouble(), 2.0);
            QCOMPARE(volume->PixelNumber(a)->text(), QString("64"));
        }
        const CBackProjector::VolumeSize size = sheet->Values();
        QCOMPARE(size.dimX, 2.0);
        QCOMPARE(size.dimZ, 2.0);
        QCOMPARE(size.nY, 64u);
        const CBackProjectorPropertyPage_Renderer* renderer = sheet->RendererPage();
        QCOMPARE(renderer->ControlName()->text(), QString("n/a"));
        QCOMPARE(renderer->FileName()->text(), QString("n/a"));
        QCOMPARE(renderer->SelectButton()->text(), QString("Select Renderer..."));
        QVERIFY(renderer->findChild<QGroupBox*>()->title() == QString("Renderer Information"));
        QStringList labels;
        for (const QLabel* label : renderer->findChildren<QLabel*>()) labels << label->text();
        QVERIFY(labels.contains("ActiveX Control:"));
        QVERIFY(labels.contains("OCX File Name:"));
        QCOMPARE(ShownTypeName(sheet->TargetPage()), QString("n/a"));
    }

    void theVolumePageRefusesFieldsThatDoNotParse() {
        CBackProjectorPropertySheet* sheet = m_bench->NewBackProjector()->Sheet();
        CBackProjectorPropertyPage_Volume* page = sheet->VolumePage();
        ScopedMessageBoxes boxes;
        page->Dimension(Axis::kY)->setText("two");
        sheet->setCurrentIndex(Page::kTargetPage);
        QCOMPARE(sheet->currentIndex(), int(Page::kVolumePage));
        QCOMPARE(boxes.texts, QStringList{"Please enter a number."});

        page->Dimension(Axis::kY)->setText("1.5");
        for (const char* bad : {"-1", "2.5", "", "4294967296"}) {
            page->PixelNumber(Axis::kZ)->setText(bad);
            sheet->setCurrentIndex(Page::kRendererPage);
            QCOMPARE(sheet->currentIndex(), int(Page::kVolumePage));
            QCOMPARE(boxes.texts.last(), QString("Please enter a positive integer."));
        }
        // Still the defaults: nothing was accepted yet.
        QCOMPARE(sheet->Values().dimY, 2.0);
        QCOMPARE(sheet->Values().nZ, 64u);

        // A count of 0 parses; the volume refuses it later.
        page->PixelNumber(Axis::kZ)->setText("0");
        sheet->setCurrentIndex(Page::kRendererPage);
        QCOMPARE(sheet->currentIndex(), int(Page::kRendererPage));
        QCOMPARE(sheet->Values().dimY, 1.5);
        QCOMPARE(sheet->Values().nZ, 0u);
        QCOMPARE(boxes.texts.size(), 5);
    }

    void withNothingInstalledNoDialogIsShown() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        ScopedRendererChoice choice;
        view->Sheet()->RendererPage()->SelectButton()->click();
        QCOMPARE(choice.shown, 0);
        QVERIFY(!view->GetBackProjector()->HasRenderer());
        QCOMPARE(TabTitles(view->Sheet()), FourPages());
        QVERIFY(!QApplication::overrideCursor());
    }

    void theDialogListsTheInstalledRenderers() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        ScopedRendererChoice choice;
        choice.cancel = true;
        view->Sheet()->RendererPage()->SelectButton()->click();
        QCOMPARE(choice.shown, 1);
        QCOMPARE(choice.caption, QString("Select an ActiveX Voxmill Plugin"));
        QStringList expected;
        for (const auto& plugin : CPluginRegistry().EnumeratePlugins()) expected << QString::fromStdString(plugin.name);
        QCOMPARE(choice.names, expected);
        QVERIFY(choice.names.contains(kTestRendererAName));
        QVERIFY(!view->GetBackProjector()->HasRenderer());

        // The list opens with its first entry selected.
        QVERIFY(choice.selectedOnOpen == CPluginRegistry().EnumeratePlugins().front().clsid);

        // OK with nothing selected chooses nothing either, and says so.
        choice.cancel = false;
        choice.clearSelection = true;
        view->Sheet()->RendererPage()->SelectButton()->click();
        QVERIFY(!view->GetBackProjector()->HasRenderer());
        QCOMPARE(TabTitles(view->Sheet()), FourPages());
        QCOMPARE(OperatorFrame(view)->StatusText(0), QString("No renderer was selected: the choice is unchanged."));
    }

    void withNothingInstalledTheStatusPaneSaysSo() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        view->Sheet()->RendererPage()->SelectButton()->click();
        QCOMPARE(OperatorFrame(view)->StatusText(0),
                 QString("No renderer is installed (voxmill-cli plugins register)."));
    }

    void theDialogAnswersTheSelectedClass() {
        CSelectRendererDialog dialog(
            {{test::CLSID_TestRendererA, "A"}, {test::CLSID_TestRendererB, "Untitled Plugin"}});
        QCOMPARE(dialog.List()->count(), 2);
        QCOMPARE(dialog.List()->item(1)->text(), QString("Untitled Plugin"));
        QCOMPARE(dialog.OkButton()->text(), QString("OK"));
        QCOMPARE(dialog.CancelButton()->text(), QString("Cancel"));
        QVERIFY(dialog.SelectedClassId() == test::CLSID_TestRendererA);  // the first, from the start
        QVERIFY(dialog.SelectClassId(test::CLSID_TestRendererB));
        QVERIFY(dialog.SelectedClassId() == test::CLSID_TestRendererB);
        QVERIFY(!dialog.SelectClassId(test::CLSID_TestUnknown));
        dialog.List()->clearSelection();
        QVERIFY(dialog.SelectedClassId() == GUID_NULL);
        CSelectRendererDialog none({});
        QVERIFY(none.SelectedClassId() == GUID_NULL);
    }

    void choosingTessorAddsItsPageAfterTheFour() {
        if (!RequireTessor()) return;
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, kTessor);
        CBackProjectorPropertySheet* sheet = view->Sheet();
        QCOMPARE(TabTitles(sheet), FourPages() << "Tessor");
        QCOMPARE(sheet->RendererPages().size(), 1u);
        CPropertyPageX* page = sheet->RendererPages().front();
        QCOMPARE(sheet->currentWidget(), static_cast<QWidget*>(page));
        QVERIFY(page->IsPageActivated());
        auto* collection = page->findChild<QCheckBox*>("processCollection");
        QVERIFY(collection);
        QCOMPARE(collection->text(), QString("Process Projection Collection (a bit faster)"));
        QVERIFY(collection->isVisible());
        auto* group = page->findChild<QGroupBox*>("interpolationGroup");
        QVERIFY(group);
        QCOMPARE(group->title(), QString("Interpolation quality"));
        QCOMPARE(sheet->RendererPage()->ControlName()->text(), QString("Tessor Control"));
        QCOMPARE(sheet->RendererPage()->FileName()->text(), QString("libtessor.so"));
        // The form and its frame grew to the page's needs.
        QVERIFY(sheet->height() >= page->sizeHint().height());
        QVERIFY(view->RenderButton()->y() > sheet->geometry().bottom());
        QVERIFY(view->GetParentFrame() &&
                OperatorFrame(view)->height() > view->RenderButton()->geometry().bottom());

        // Leaving the page hides the plug-in's window, coming back shows it.
        QWidget* pluginWindow = page->findChild<QWidget*>("TessorPropPage");
        QVERIFY(pluginWindow);
        QCOMPARE(pluginWindow->parentWidget(), static_cast<QWidget*>(page));
        sheet->setCurrentIndex(Page::kRendererPage);
        QVERIFY(pluginWindow->isHidden());
        sheet->setCurrentWidget(page);
        QVERIFY(!pluginWindow->isHidden());
        QVERIFY(collection->isVisible());
    }

    void theChooserListsKarvexBesideTessorAndKarvexReplacesTessorsPage() {
#ifdef VOXMILL_KARVEX_MODULE
        if (!RequireTessor()) return;
        QVERIFY(Register(VOXMILL_KARVEX_MODULE));
        std::vector<std::string> names;
        for (const auto& entry : CPluginRegistry().EnumeratePlugins()) names.push_back(entry.name);
        QVERIFY(std::find(names.begin(), names.end(), "Tessor Control") != names.end());
        QVERIFY(std::find(names.begin(), names.end(), "Karvex Control") != names.end());

        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, kTessor);
        SelectRenderer(view, kKarvex);
        CBackProjectorPropertySheet* sheet = view->Sheet();
        QCOMPARE(TabTitles(sheet), FourPages() << "Karvex");
        QCOMPARE(sheet->RendererPage()->ControlName()->text(), QString("Karvex Control"));
        QCOMPARE(sheet->RendererPage()->FileName()->text(), QString("libkarvex.so"));
        CPropertyPageX* page = sheet->RendererPages().front();
        QStringList groups;
        for (auto* g : page->findChildren<QGroupBox*>()) groups << g->title();
        VARIANT value;
        QCOMPARE(groups, QStringList({"Filtering", "Interpolation quality", "Render tricks", "Beyond"}));
        auto* bilinear = page->findChild<QRadioButton*>("interpolationMode1");
        QVERIFY(bilinear && bilinear->isEnabled());
        auto* note = page->findChild<QLabel*>("beyondGroupNote");
        QVERIFY(note && note->text().contains("floating-point path"));
        page->findChild<QRadioButton*>("filterWindow4")->click();
        QCOMPARE(view->GetBackProjector()->GetRendererOption("FilterWindow", &value), S_OK);
        QVERIFY(value.vt == VT_I4 && value.lVal == 4);
        auto* fixedPoint = page->findChild<QCheckBox*>("isFixedPoint");
        QVERIFY(fixedPoint && fixedPoint->isChecked());
        QCOMPARE(fixedPoint->text(), QString("Use Fixed-point Math"));
        fixedPoint->click();
        QCOMPARE(view->GetBackProjector()->GetRendererOption("IsFixedPoint", &value), S_OK);
        QVERIFY(value.vt == VT_BOOL && value.boolVal == VARIANT_FALSE);
#else
        QSKIP("this tree builds no Karvex");
#endif
    }

    void choosingTheSameRendererKeepsItsPageAndOptions() {
        if (!RequireTessor()) return;
        CBackProjectorView* view = m_bench->NewBackProjector();
        CBackProjector* doc = view->GetBackProjector();
        SelectRenderer(view, kTessor);
        CPropertyPageX* page = view->Sheet()->RendererPages().front();
        IOleObject* renderer = doc->GetRenderer();
        auto* collection = page->findChild<QCheckBox*>("processCollection");
        collection->click();  // applied at once: the sheet has no Apply button
        VARIANT value;
        QCOMPARE(doc->GetRendererOption("IsProcessCollection", &value), S_OK);
        QVERIFY(value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE);

        SelectRenderer(view, kTessor);
        QCOMPARE(doc->GetRenderer(), renderer);
        QCOMPARE(view->Sheet()->RendererPages().size(), 1u);
        QCOMPARE(view->Sheet()->RendererPages().front(), page);
        QVERIFY(collection->isChecked());
        QCOMPARE(doc->GetRendererOption("IsProcessCollection", &value), S_OK);
        QVERIFY(value.boolVal != VARIANT_FALSE);
    }

    void anotherRendererReplacesAllPagesOfThePrevious() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        CBackProjectorPropertySheet* sheet = view->Sheet();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(TabTitles(sheet), FourPages() << "Page1" << "Page2");
        QCOMPARE(sheet->currentWidget(), static_cast<QWidget*>(sheet->RendererPages().back()));
        QCOMPARE(sheet->RendererPage()->ControlName()->text(), QString("Voxmill Test Renderer A Control"));

        ClearTestModuleLog();
        SelectRenderer(view, test::CLSID_TestRendererB);
        QCOMPARE(TabTitles(sheet), FourPages() << "PageB");
        const std::string log = TestModuleLog();
        for (const char* line : {"Page1 Destroyed", "Page2 Destroyed", "A Close 1", "A Destroyed"})
            QVERIFY2(log.find(line) != std::string::npos, line);
        // The old pages went before the old renderer was closed.
        QVERIFY(log.find("Page2 Destroyed") < log.find("A Close 1"));
        QCOMPARE(sheet->RendererPage()->ControlName()->text(), QString("Voxmill Test Renderer B Control"));

        if (!RequireTessor()) return;
        SelectRenderer(view, kTessor);
        QCOMPARE(TabTitles(sheet), FourPages() << "Tessor");
        QVERIFY(TestModuleLog().find("PageB Destroyed") != std::string::npos);
    }

    void aRendererThatCannotBeCreatedLeavesNoPages() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        // A class in the category whose factory hands out nothing.
        std::string error;
        QVERIFY(CRegistry::Update(
            CRegistry::DefaultPath(),
            [](CRegistry& reg) {
                reg.RegisterInprocClass(test::CLSID_TestNullObject, "Broken", VOXMILL_TEST_RENDERER, "");
                reg.RegisterClassImplCategory(test::CLSID_TestNullObject, CATID_VoxmillPlugins);
            },
            &error));
        SelectRenderer(view, test::CLSID_TestNullObject);
        QVERIFY(!view->GetBackProjector()->HasRenderer());
        QCOMPARE(TabTitles(view->Sheet()), FourPages());
        QCOMPARE(view->Sheet()->RendererPage()->ControlName()->text(), QString("n/a"));
        QCOMPARE(view->Sheet()->RendererPage()->FileName()->text(), QString("n/a"));
        QVERIFY(!LastReportedError().empty());
    }

    void closingTheWindowReleasesTheRendererAndItsPages() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        ClearTestModuleLog();
        ReconstructionWorkbench::FrameOf(*view->GetBackProjector())->DestroyWindow();
        FlushDeletes();
        const std::string log = TestModuleLog();
        for (const char* line : {"Page1 Destroyed", "Page2 Destroyed", "A Destroyed"})
            QVERIFY2(log.find(line) != std::string::npos, line);
    }

    void droppingACollectionOrAPhantomLinksIt() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        CTargetPage* page = view->Sheet()->TargetPage();
        view->Sheet()->setCurrentIndex(Page::kTargetPage);
        CProjectionCollection* collection = m_bench->NewCollection();
        QCOMPARE(DragTarget(*collection, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), static_cast<CTarget*>(collection));
        QVERIFY(collection->GetViews().empty());
        QVERIFY(!collection->m_bAutoDelete);
        QVERIFY(m_bench->Template(130).GetDocuments().empty());
        QCOMPARE(ShownTypeName(page), QString("Projection Collection Document"));

        auto* phantom = static_cast<CPhantom*>(m_bench->Frame().NewDocument(m_bench->Template(135)));
        QCOMPARE(DragTarget(*phantom, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), static_cast<CTarget*>(phantom));
        QCOMPARE(ShownTypeName(page), QString("Phantom Document"));
    }

    void aDropOfAnyOtherKindIsRefused() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        CTargetPage* page = view->Sheet()->TargetPage();
        CVolume volume;
        CSliceCollection slices;
        for (CTarget* other : {static_cast<CTarget*>(&volume), static_cast<CTarget*>(&slices)}) {
            CTargetMimeData data(*other);
            QCOMPARE(Drop(page, data), Qt::IgnoreAction);
        }
        QVERIFY(!page->GetTarget());
        QCOMPARE(ShownTypeName(page), QString("n/a"));
        // The page takes exactly what the document can render from.
        for (std::uint16_t code = 100; code <= 105; ++code) {
            const auto& accepted = page->AcceptedTypes();
            const bool takes = std::find(accepted.begin(), accepted.end(), code) != accepted.end();
            QCOMPARE(takes, CBackProjector::AcceptsTarget(code));
        }
    }

    void renderWithoutTargetOrRendererSaysWhatIsMissing() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        ScopedMessageBoxes boxes;
        const QString noRenderer("No renderer: press \"Select Renderer...\" first.");
        view->RenderButton()->click();  // neither
        QCOMPARE(OperatorFrame(view)->StatusText(0), noRenderer);
        SelectRenderer(view, test::CLSID_TestRendererA);
        view->RenderButton()->click();  // no target
        QCOMPARE(OperatorFrame(view)->StatusText(0),
                 QString("No target: drag one onto the Target page."));
        QVERIFY(m_bench->Volumes().empty());
        QVERIFY(boxes.texts.isEmpty());

        CBackProjectorView* other = m_bench->NewBackProjector();
        QCOMPARE(DragTarget(*m_bench->NewCollection(), other->Sheet()->TargetPage()), Qt::LinkAction);
        other->RenderButton()->click();  // no renderer
        QCOMPARE(OperatorFrame(other)->StatusText(0), noRenderer);
        QVERIFY(m_bench->Volumes().empty());
        QVERIFY(boxes.texts.isEmpty());  // the status pane, never a message box
    }

    void renderWithTheDefaultsOpensAVolumeWindowEachTime() {
        if (!RequireTessor()) return;
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, kTessor);
        QCOMPARE(DragTarget(*m_bench->NewCollection(), view->Sheet()->TargetPage()), Qt::LinkAction);
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        CVolume* volume = m_bench->Volumes().front();
        QVERIFY(volume->IsAllocated());
        QCOMPARE(volume->GetCountX(), 64u);
        QCOMPARE(volume->GetCountY(), 64u);
        QCOMPARE(volume->GetCountZ(), 64u);
        QCOMPARE(volume->GetDimX(), 2.0);
        QCOMPARE(volume->GetDimY(), 2.0);
        QCOMPARE(volume->GetDimZ(), 2.0);
        QCOMPARE(volume->GetPitchX(), 0.03125);
        QCOMPARE(volume->GetPitchZ(), 0.03125);
        float lo = 0, hi = 0;
        QVERIFY(volume->GetValueRange(lo, hi));
        QVERIFY(hi > 0);  // something was reconstructed
        QVERIFY(view->LastVolumeFrame());
        QCOMPARE(view->LastVolumeFrame()->GetDocument(), static_cast<CDocument*>(volume));
        QVERIFY(dynamic_cast<CVolumeView*>(view->LastVolumeFrame()->GetView()));
        QCOMPARE(volume->GetTitle(), std::string("Volume1"));
        QVERIFY(view->RenderButton()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(OperatorFrame(view)->StatusText(0).startsWith("Average time: "));
        QVERIFY(OperatorFrame(view)->ProgressBar()->isHidden());

        view->RenderButton()->click();
        const std::vector<CVolume*> volumes = m_bench->Volumes();
        QCOMPARE(volumes.size(), 2u);
        QVERIFY(volumes[0] != volumes[1]);
        QCOMPARE(volumes[1]->GetTitle(), std::string("Volume2"));
        QCOMPARE(volumes[1]->GetCountX(), 64u);
        QVERIFY(std::equal(volumes[0]->GetVoxels(), volumes[0]->GetVoxels() + volumes[0]->GetVoxelCount(),
                           volumes[1]->GetVoxels()));
        QVERIFY(volumes[1]->GetVoxels() != volumes[0]->GetVoxels());
    }

    void renderUsesTheAcceptedGeometry() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(DragTarget(*m_bench->NewCollection(3), view->Sheet()->TargetPage()), Qt::LinkAction);
        CBackProjectorPropertySheet* sheet = view->Sheet();
        sheet->setCurrentIndex(Page::kVolumePage);
        sheet->VolumePage()->Dimension(Axis::kX)->setText("4");
        sheet->VolumePage()->PixelNumber(Axis::kX)->setText("8");
        sheet->VolumePage()->PixelNumber(Axis::kY)->setText("4");
        sheet->VolumePage()->PixelNumber(Axis::kZ)->setText("2");
        view->RenderButton()->click();  // the active page is checked first
        QCOMPARE(m_bench->Volumes().size(), 1u);
        CVolume* volume = m_bench->Volumes().front();
        QCOMPARE(volume->GetCountX(), 8u);
        QCOMPARE(volume->GetCountY(), 4u);
        QCOMPARE(volume->GetCountZ(), 2u);
        QCOMPARE(volume->GetPitchX(), 0.5);
        // The test renderer adds 1 per projection; the program's loop
        // scales by 2 pi / N.
        QCOMPARE(volume->GetVoxels()[0], static_cast<float>(3.0 * 2.0 * 3.141592653589793 / 3.0));

        // A field that does not parse stops the run before anything is made.
        ScopedMessageBoxes boxes;
        sheet->VolumePage()->PixelNumber(Axis::kY)->setText("many");
        view->RenderButton()->click();
        QCOMPARE(boxes.texts, QStringList{"Please enter a positive integer."});
        QCOMPARE(m_bench->Volumes().size(), 1u);
    }

    void aPhantomTargetIsVoxelized() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        auto* phantom = static_cast<CPhantom*>(m_bench->Frame().NewDocument(m_bench->Template(135)));
        phantom->AddElement(CPhantom::ElementKinds().front().cls);
        QCOMPARE(DragTarget(*phantom, view->Sheet()->TargetPage()), Qt::LinkAction);
        ClearTestModuleLog();
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        QVERIFY(m_bench->Volumes().front()->IsAllocated());
        QVERIFY(TestModuleLog().find("A Synthesize 1") != std::string::npos);
    }

    void membersWhoseFileIsMissingAreSkippedAndNamed() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        CProjectionCollection* collection = m_bench->NewCollection(3);
        CListElementStub* gone = collection->GetMember(1);
        gone->m_bLinked = true;
        gone->m_bLoaded = false;
        gone->m_strPath = "/nonexistent/scan.prs.1.PRJ";
        QCOMPARE(DragTarget(*collection, view->Sheet()->TargetPage()), Qt::LinkAction);
        ClearTestModuleLog();
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        QVERIFY(m_bench->Volumes().front()->IsAllocated());
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.front(),
                 QString("1 of 3 members were missing and skipped: member 1: /nonexistent/scan.prs.1.PRJ"));
    }

    void aRefusedGeometryOpensNoWindowAndSaysWhyInTheStatusPane() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(DragTarget(*m_bench->NewCollection(2), view->Sheet()->TargetPage()), Qt::LinkAction);
        CBackProjectorPropertySheet* sheet = view->Sheet();
        sheet->setCurrentIndex(Page::kVolumePage);
        sheet->VolumePage()->PixelNumber(Axis::kY)->setText("0");
        ClearTestModuleLog();
        ScopedMessageBoxes boxes;
        const std::size_t frames = m_bench->Frames().size();
        const QString why("Not rendered: every size and pixel number must be above 0.");
        view->RenderButton()->click();
        QVERIFY(m_bench->Volumes().empty());
        QVERIFY(!view->LastVolumeFrame());
        QCOMPARE(m_bench->Frames().size(), frames);
        QCOMPARE(OperatorFrame(view)->StatusText(0), why);
        QVERIFY(TestModuleLog().find("ProcessCollection") == std::string::npos);

        sheet->VolumePage()->PixelNumber(Axis::kY)->setText("64");
        sheet->VolumePage()->Dimension(Axis::kZ)->setText("-2");
        OperatorFrame(view)->SetStatusText(0, "");
        view->RenderButton()->click();
        QVERIFY(m_bench->Volumes().empty());
        QCOMPARE(OperatorFrame(view)->StatusText(0), why);
        QVERIFY(boxes.texts.isEmpty());
    }

    void aVolumeBeyondTheMemoryAvailableIsRefusedBeforeAnyAllocation() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        qputenv("VOXMILL_MEMORY_LIMIT", "2G");
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(DragTarget(*m_bench->NewCollection(2), view->Sheet()->TargetPage()), Qt::LinkAction);
        CBackProjectorPropertySheet* sheet = view->Sheet();
        CBackProjectorPropertyPage_Volume* page = sheet->VolumePage();
        sheet->setCurrentIndex(Page::kVolumePage);
        QCOMPARE(page->MemoryLabel()->text(), QString("Memory: 1.0 MiB needed, 2.0 GiB available"));
        // The figure follows the counts as they are typed.
        page->PixelNumber(Axis::kX)->setText("100000");
        page->PixelNumber(Axis::kY)->setText("96");
        page->PixelNumber(Axis::kZ)->setText("96");
        QCOMPARE(page->MemoryLabel()->text(), QString("Memory: 3.4 GiB needed, 2.0 GiB available: too large to render"));
        ClearTestModuleLog();
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        QVERIFY(m_bench->Volumes().empty());
        QCOMPARE(OperatorFrame(view)->StatusText(0),
                 QString("Not rendered: it needs 3.4 GiB, 2.0 GiB available."));
        QVERIFY(TestModuleLog().find("ProcessCollection") == std::string::npos);
        QVERIFY(boxes.texts.isEmpty());
        // The whole sentence can be read in the pane.
        const QLabel* pane = OperatorFrame(view)->Pane(0);
        QVERIFY(pane->fontMetrics().horizontalAdvance(pane->text()) <= pane->contentsRect().width());
        SaveShot(OperatorFrame(view), "memory-refusal.png");

        // Within the limit the same window renders.
        page->PixelNumber(Axis::kX)->setText("8");
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        qunsetenv("VOXMILL_MEMORY_LIMIT");
    }

    void aRenderedVolumeAsksBeforeItIsClosed() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(DragTarget(*m_bench->NewCollection(2), view->Sheet()->TargetPage()), Qt::LinkAction);
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        CVolume* volume = m_bench->Volumes().front();
        QVERIFY(volume->IsModified());
        QPointer<CChildFrame> frame = view->LastVolumeFrame();
        QVERIFY(frame);

        ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::Cancel;
        frame->close();
        FlushDeletes();
        QVERIFY(frame && !frame->IsDestroyed());
        QCOMPARE(boxes.texts, QStringList{"Save changes to Volume1?"});

        boxes.answer = QMessageBox::No;
        frame->close();
        FlushDeletes();
        QVERIFY(!frame);
        QVERIFY(m_bench->Volumes().empty());
    }

    void aBackprojectorWithItsSetupAsksOnCloseAndOnExit() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        CBackProjectorView* view = m_bench->NewBackProjector();
        CBackProjector* doc = view->GetBackProjector();
        QVERIFY(!doc->IsModified());
        view->Sheet()->setCurrentIndex(Page::kVolumePage);
        QTest::keyClicks(view->Sheet()->VolumePage()->PixelNumber(Axis::kZ), "8");
        QVERIFY(doc->IsModified());
        doc->SetModifiedFlag(false);
        SelectRenderer(view, test::CLSID_TestRendererA);
        QVERIFY(doc->IsModified());
        doc->SetModifiedFlag(false);
        QCOMPARE(DragTarget(*m_bench->NewCollection(2), view->Sheet()->TargetPage()), Qt::LinkAction);
        QVERIFY(doc->IsModified());

        ScopedMessageBoxes boxes;
        boxes.answer = QMessageBox::Cancel;
        QPointer<CChildFrame> frame = ReconstructionWorkbench::FrameOf(*doc);
        frame->close();
        FlushDeletes();
        QVERIFY(frame);
        QCOMPARE(boxes.texts, QStringList{"Save changes to Backprojector1?"});

        // File, Exit asks for the backprojector and for a new volume; Cancel keeps both.
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        boxes.texts.clear();
        QCloseEvent exit;
        QCoreApplication::sendEvent(&m_bench->Frame(), &exit);
        QVERIFY(!exit.isAccepted());
        QCOMPARE(boxes.texts.size(), 1);
        boxes.texts.clear();
        boxes.answers = {QMessageBox::No, QMessageBox::Cancel};
        QCloseEvent again;
        QCoreApplication::sendEvent(&m_bench->Frame(), &again);
        QVERIFY(!again.isAccepted());
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts.contains("Save changes to Backprojector1?"));
        QVERIFY(boxes.texts.contains("Save changes to Volume1?"));
        QVERIFY(frame);
        QCOMPARE(m_bench->Volumes().size(), 1u);
    }

    void aModifiedTargetReplacedOnTheTargetPageGetsItsWindowBack() {
        CBackProjectorView* view = m_bench->NewBackProjector();
        CTargetPage* page = view->Sheet()->TargetPage();
        CProjectionCollection* first = m_bench->NewCollection(2);
        QCOMPARE(DragTarget(*first, page), Qt::LinkAction);
        first->SetModifiedFlag();
        ScopedMessageBoxes boxes;
        CProjectionCollection* second = m_bench->NewCollection(2);
        QCOMPARE(DragTarget(*second, page), Qt::LinkAction);
        QCOMPARE(page->GetTarget(), static_cast<CTarget*>(second));
        QVERIFY(ReconstructionWorkbench::FrameOf(*first));
        QVERIFY(first->m_bAutoDelete);
        const auto& listed = m_bench->Template(130).GetDocuments();
        QVERIFY(std::find(listed.begin(), listed.end(), first) != listed.end());
        QVERIFY(boxes.texts.isEmpty());  // nothing to answer: nothing is lost

        // An unmodified one goes as before.
        CProjectionCollection* third = m_bench->NewCollection(2);
        QCOMPARE(DragTarget(*third, page), Qt::LinkAction);
        QCOMPARE(m_bench->Template(130).GetDocuments().size(), 1u);  // only `first`, in its window
    }

    void theRunShowsTheWaitCursorWithRenderDisabled() {
        QVERIFY(Register(VOXMILL_TEST_RENDERER));
        ReconstructionWorkbench::Options options;
        options.backProjector = [] { return static_cast<CDocument*>(new CObservedBackProjector); };
        m_bench = std::make_unique<ReconstructionWorkbench>(options);
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        QCOMPARE(DragTarget(*m_bench->NewCollection(3), view->Sheet()->TargetPage()), Qt::LinkAction);
        g_steps.clear();
        view->RenderButton()->click();
        QCOMPARE(g_steps.size(), 3u);
        for (const StepRecord& step : g_steps) {
            QVERIFY(!step.buttonEnabled);
            QVERIFY(step.waitCursor);
        }
        QVERIFY(view->RenderButton()->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void cancelAtStepThreeOfTenDeletesTheVolume() {
        CBackProjectorView* view = ObservedRunOn(10);
        QVERIFY(view);
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        const CVolume* whole = m_bench->Volumes().front();
        const std::vector<float> voxels(whole->GetVoxels(), whole->GetVoxels() + whole->GetVoxelCount());

        COperatorChildFrame* frame = OperatorFrame(view);
        bool cancelShown = true;
        QString text;
        g_steps.clear();
        g_atStep = [&](std::size_t step) {
            cancelShown = cancelShown && frame->CancelButton()->isVisible();
            if (step == 3) {
                text = frame->ProgressBar()->text();
                QTest::mouseClick(frame->CancelButton(), Qt::LeftButton);
            }
        };
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        g_atStep = nullptr;
        FlushDeletes();
        QCOMPARE(g_steps.size(), 3u);
        QVERIFY(cancelShown);
        QVERIFY2(QRegularExpression("^20 %  \\d+:\\d\\d left$").match(text).hasMatch(), qPrintable(text));
        QCOMPARE(m_bench->Volumes().size(), 1u);  // no window for the unfinished one
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(frame->StatusText(0), QString("Cancelled"));
        QVERIFY(frame->CancelButton()->isHidden());
        QVERIFY(frame->ProgressBar()->isHidden());

        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 2u);
        const CVolume* again = m_bench->Volumes().back();
        QVERIFY(std::equal(voxels.begin(), voxels.end(), again->GetVoxels()));
    }

    void inputDuringARenderDoesNotActAfterIt() {
        CBackProjectorView* view = ObservedRunOn(6);
        QVERIFY(view);
        view->RenderButton()->click();
        QCOMPARE(m_bench->Volumes().size(), 1u);
        CChildFrame* volumeFrame = view->LastVolumeFrame();
        QVERIFY(volumeFrame);
        g_steps.clear();
        g_atStep = [&](std::size_t step) {
            if (step != 2) return;
            QCoreApplication::postEvent(volumeFrame, new QCloseEvent);
            QCoreApplication::postEvent(&m_bench->Frame(), new QCloseEvent);
            QCoreApplication::postEvent(volumeFrame, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            QTest::keyClick(volumeFrame, Qt::Key_W, Qt::ControlModifier);
            QTest::mouseClick(volumeFrame->widget(), Qt::LeftButton);
            QTest::mouseClick(view->RenderButton(), Qt::LeftButton);
        };
        ScopedMessageBoxes boxes;
        view->RenderButton()->click();
        g_atStep = nullptr;
        FlushDeletes();
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(m_bench->Frame().isVisible());
        QVERIFY(!volumeFrame->IsDestroyed());
        QCOMPARE(m_bench->Volumes().size(), 2u);  // one render, not two
        QVERIFY(OperatorFrame(view)->StatusText(0).startsWith("Average time: "));
    }

private:
    // A backprojector with the test renderer on a collection of `count`
    // projections, its steps observed.
    CBackProjectorView* ObservedRunOn(int count) {
        if (!Register(VOXMILL_TEST_RENDERER)) return nullptr;
        ReconstructionWorkbench::Options options;
        options.backProjector = [] { return static_cast<CDocument*>(new CObservedBackProjector); };
        m_bench = std::make_unique<ReconstructionWorkbench>(options);
        CBackProjectorView* view = m_bench->NewBackProjector();
        SelectRenderer(view, test::CLSID_TestRendererA);
        if (DragTarget(*m_bench->NewCollection(count), view->Sheet()->TargetPage()) != Qt::LinkAction) return nullptr;
        g_steps.clear();
        g_atStep = nullptr;
        return view;
    }

    bool RequireTessor() {
#ifdef VOXMILL_TESSOR_MODULE
        if (!Register(VOXMILL_TESSOR_MODULE)) {
            QTest::qFail("Tessor could not be registered", __FILE__, __LINE__);
            return false;
        }
        return true;
#else
        QTest::qSkip("this tree builds no Tessor", __FILE__, __LINE__);
        return false;
#endif
    }

    // A picture of the window for a person to look at, when a folder for
    // them is given (VOXMILL_SHOTS).
    static void SaveShot(QWidget* widget, const char* name) {
        const QByteArray dir = qgetenv("VOXMILL_SHOTS");
        if (dir.isEmpty()) return;
        widget->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
    }

    static void SelectRenderer(CBackProjectorView* view, REFCLSID clsid) {
        ScopedRendererChoice choice;
        choice.choose = clsid;
        view->Sheet()->RendererPage()->SelectButton()->click();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ReconstructionWorkbench> m_bench;
};

QTEST_MAIN(BackProjectorWindowTest)
#include "BackProjectorWindowTest.moc"
