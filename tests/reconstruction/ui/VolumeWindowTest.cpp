// The volume window: its menus and their enabled state, the slice
// commands opening slice collection windows, the "NCSA HDF" export with
// its prompt and its errors, "Target", the three slice panes with their
// cursor, sliders, grey window and probe, and the comparisons with a volume
// and a phantom checked against voxmill-cli compare.
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QWheelEvent>
#include <QtTest>

#include "app/ui/TargetView.h"
#include "formats/ui/StackExportMenu.h"
#include "imaging/GreyMap.h"
#include "reconstruction/VolumeDifference.h"
#include "reconstruction/Slice.h"
#include "reconstruction/ui/VolumeMipView.h"
#include "reconstruction/ui/VolumePlanePane.h"
#include "tests/app/ui/UiTestSupport.h"
#include "tests/reconstruction/ui/ReconstructionUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

struct CliRun {
    int rc = -1;
    QString out, err;
};

// voxmill-cli with these arguments in `folder`, with this process's
// settings and registry.
CliRun RunCli(const QString& folder, const QString& arguments) {
    const QString out = folder + "/cli-stdout.txt", err = folder + "/cli-stderr.txt";
    const QString command =
        QString("cd '%1' && '%2' %3 >'%4' 2>'%5'").arg(folder, QString(VOXMILL_CLI), arguments, out, err);
    const int status = std::system(command.toLocal8Bit().constData());
    CliRun run;
    run.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile o(out), e(err);
    if (o.open(QIODevice::ReadOnly)) run.out = QString::fromUtf8(o.readAll());
    if (e.open(QIODevice::ReadOnly)) run.err = QString::fromUtf8(e.readAll());
    return run;
}

// The figures of a compare run: its output less the line naming the file written.
QString Figures(const QString& out) {
    QStringList lines = out.split('\n');
    lines.removeIf([](const QString& line) { return line.startsWith("wrote "); });
    return lines.join('\n');
}

std::vector<float> VolumeVoxels(const QString& path) {
    CVolume volume;
    volume.m_bAutoDelete = false;
    volume.Open(path.toStdString());
    return std::vector<float>(volume.GetVoxels(), volume.GetVoxels() + volume.GetVoxelCount());
}

std::vector<float> VoxelsOf(const CVolume& volume) {
    return std::vector<float>(volume.GetVoxels(), volume.GetVoxels() + volume.GetVoxelCount());
}

QStringList ActionTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    return texts;
}

}  // namespace

class VolumeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseSettingsIn(*m_dir);
        m_bench = std::make_unique<ReconstructionWorkbench>();
    }
    void cleanup() {
        m_bench.reset();
        FlushDeletes();
        m_dir.reset();
    }

    void theWindowHasItsMenusAndItsPanes() {
        CVolumeView* view = NewVolume(4, 4, 4);
        const QList<QMenu*> menus = view->DocumentMenus();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->title(), QString("Export"));
        QCOMPARE(ActionTexts(menus[0]),
                 (QStringList{"NCSA HDF", "HDF5", "TIFF Stack (32-bit Float)", "MetaImage", "NRRD"}));
        QCOMPARE(menus[1]->title(), QString("Volume"));
        QCOMPARE(ActionTexts(menus[1]), (QStringList{"X Slices", "Y Slices", "Z Slices", "Target",
                                                     "Compare with Phantom...", "Compare with Volume..."}));
        for (std::uint32_t axis = 0; axis < 3; ++axis) QCOMPARE(view->PlanePane(axis)->Image().size(), QSize(4, 4));
        // The projection's pane is there; on a display without OpenGL it says so.
        QVERIFY(view->MipPane());
        QCOMPARE(view->MipView() != nullptr, CVolumeMipView::IsAvailable());
        QVERIFY(view->ExportHdfAction()->isEnabled());
        for (std::uint32_t axis = 0; axis < 3; ++axis) QVERIFY(view->SliceAction(axis)->isEnabled());
        QVERIFY(view->TargetAction()->isEnabled());
        QVERIFY(!view->SliceAction(3));
        QVERIFY(dynamic_cast<CChildFrame*>(view->GetParentFrame()));
    }

    void anEmptyVolumeCannotBeExportedButCanBeSliced() {
        CVolumeView* view = NewVolume(0, 0, 0);
        QVERIFY(!view->GetVolume()->IsAllocated());
        QVERIFY(!view->ExportHdfAction()->isEnabled());
        QVERIFY(!view->StackExports()->Action(StackFormat::nrrd)->isEnabled());
        CChildFrame* frame = view->MakeSlices(2);
        QVERIFY(frame);
        auto* collection = dynamic_cast<CSliceCollection*>(frame->GetDocument());
        QVERIFY(collection);
        QCOMPARE(collection->GetCount(), std::size_t{0});
        // Asked anyway, the export says why it cannot write.
        ScopedMessageBoxes boxes;
        QVERIFY(!view->ExportHdf(m_dir->filePath("empty.hdf")));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(!QFile::exists(m_dir->filePath("empty.hdf")));
    }

    void theSliceCommandsOpenACollectionAlongEachAxis() {
        CVolumeView* view = NewVolume(64, 32, 16);
        view->SliceAction(2)->trigger();
        const std::vector<CDocument*>& docs = m_bench->Template(133).GetDocuments();
        QCOMPARE(docs.size(), 1u);
        auto* z = dynamic_cast<CSliceCollection*>(docs.back());
        QVERIFY(z && ReconstructionWorkbench::FrameOf(*z));
        QCOMPARE(z->GetAxis(), 2u);
        QCOMPARE(z->GetCount(), std::size_t{16});
        QCOMPARE(z->GetSlice(0)->GetWidth(), 64u);
        QCOMPARE(z->GetSlice(0)->GetHeight(), 32u);
        QCOMPARE(QString::fromStdString(z->GetTitle()), QString("Volume1 Z Slices"));

        view->SliceAction(0)->trigger();
        auto* x = dynamic_cast<CSliceCollection*>(m_bench->Template(133).GetDocuments().back());
        QCOMPARE(x->GetAxis(), 0u);
        QCOMPARE(x->GetCount(), std::size_t{64});
        QCOMPARE(x->GetSlice(0)->GetWidth(), 32u);
        QCOMPARE(x->GetSlice(0)->GetHeight(), 16u);
        view->SliceAction(1)->trigger();
        QCOMPARE(dynamic_cast<CSliceCollection*>(m_bench->Template(133).GetDocuments().back())->GetCount(),
                 std::size_t{32});
        // The volume is unchanged and keeps its window.
        QCOMPARE(view->GetVolume()->GetCountX(), 64u);
        QVERIFY(ReconstructionWorkbench::FrameOf(*view->GetVolume()));
    }

    void withoutASliceCollectionWindowTheSliceCommandsAreDisabled() {
        ReconstructionWorkbench::Options options;
        options.sliceWindows = false;
        m_bench = std::make_unique<ReconstructionWorkbench>(options);
        CVolumeView* view = NewVolume(4, 4, 4);
        for (std::uint32_t axis = 0; axis < 3; ++axis) QVERIFY(!view->SliceAction(axis)->isEnabled());
        QVERIFY(!view->MakeSlices(0));
        QVERIFY(m_bench->Template(133).GetDocuments().empty());
    }

    void theHdfExportAsksForAFileAndWritesIt() {
        CVolumeView* view = NewVolume(8, 4, 2);
        view->GetVolume()->Voxel(1, 2, 1) = 5.0f;
        ScopedFilePrompts prompts;
        const QString path = m_dir->filePath("volume");
        prompts.paths.push_back(path);  // no extension typed
        view->ExportHdfAction()->trigger();
        QCOMPARE(prompts.requests.size(), 1u);
        QVERIFY(!prompts.requests[0].open);
        QCOMPARE(prompts.requests[0].filters, QStringList{"Hdf Files (*.hdf)"});
        QCOMPARE(prompts.requests[0].defaultSuffix, QString("hdf"));
        QFile file(path + ".hdf");
        QVERIFY(file.open(QIODevice::ReadOnly));
        // Every HDF4 file opens with the same magic number.
        QCOMPARE(file.read(4), QByteArray("\x0e\x03\x13\x01", 4));
        QVERIFY(file.size() > qint64(8 * 4 * 2 * sizeof(float)));

        // Cancel writes nothing.
        view->ExportHdfAction()->trigger();
        QCOMPARE(prompts.requests.size(), 2u);
        QCOMPARE(QDir(m_dir->path()).entryList({"*.hdf"}).size(), 1);
    }

    void theStackExportsAskForAFileAndWriteIt() {
        CVolumeView* view = NewVolume(8, 4, 2);
        const struct {
            StackFormat format;
            const char* filter;
            const char* suffix;
            QByteArray magic;
        } cases[] = {
            {StackFormat::hdf5, "HDF5 Files (*.h5 *.hdf5)", "h5", QByteArray("\x89HDF\r\n\x1a\n", 8)},
            {StackFormat::tiff, "TIFF Files (*.tif *.tiff)", "tif", QByteArray("II*\0", 4)},
            {StackFormat::metaImage, "MetaImage Files (*.mha)", "mha", QByteArray("ObjectType = Image\n")},
            {StackFormat::nrrd, "NRRD Files (*.nrrd)", "nrrd", QByteArray("NRRD0004\n")},
        };
        ScopedFilePrompts prompts;
        for (const auto& c : cases) {
            const QString path = m_dir->filePath(QString("volume-%1").arg(c.suffix));
            prompts.paths.push_back(path);  // no extension typed
            QAction* action = view->StackExports()->Action(c.format);
            QVERIFY(action->isEnabled());
            action->trigger();
            QCOMPARE(prompts.requests.back().filters, QStringList{c.filter});
            QCOMPARE(prompts.requests.back().defaultSuffix, QString(c.suffix));
            QFile file(path + "." + c.suffix);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QCOMPARE(file.read(c.magic.size()), c.magic);
        }
        // A failure is shown, and the file it would have replaced stays.
        ScopedMessageBoxes boxes;
        QVERIFY(!view->StackExports()->Export(StackFormat::nrrd, m_dir->filePath("no/such/folder/v.nrrd")));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith("The volume could not be exported to "));
    }

    void aFailedExportIsShownAndChangesNothing() {
        CVolumeView* view = NewVolume(4, 4, 4);
        ScopedMessageBoxes boxes;
        const QString missing = m_dir->filePath("no/such/folder/v.hdf");
        QVERIFY(!view->ExportHdf(missing));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith("The volume could not be exported"));
        QVERIFY(boxes.texts[0].contains(missing));

        // A folder in the file's place is no file to replace.
        const QString folder = m_dir->filePath("folder.hdf");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(!view->ExportHdf(folder));
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void targetShowsTheVolumeInTheTargetView() {
        CVolumeView* view = NewVolume(4, 4, 4);
        CVolume* volume = view->GetVolume();
        view->TargetAction()->trigger();
        FlushDeletes();
        CChildFrame* frame = ReconstructionWorkbench::FrameOf(*volume);
        QVERIFY(frame);
        QVERIFY(dynamic_cast<CTargetView*>(frame->GetView()));
        QCOMPARE(volume->GetViews().size(), 1u);
    }

    void thePanesHoldTheVoxelsOfTheirPlanes() {
        CVolumeView* view = NewVolume(6, 5, 4);
        CVolume* volume = view->GetVolume();
        Code(*volume);
        volume->UpdateAllViews(nullptr);
        // The window opens on the middle voxel with the value range as its grey window.
        QCOMPARE(view->Cursor(), (VoxelIndex{2, 2, 1}));
        QCOMPARE(view->GreyLow(), 0.0f);
        QCOMPARE(view->GreyHigh(), 345.0f);
        QCOMPARE(view->GreyLowBox()->value(), 0.0);
        QCOMPARE(view->GreyHighBox()->value(), 345.0);
        CheckPanes(*view);
        QCOMPARE(view->PlaneSlider(0)->maximum(), 5);
        QCOMPARE(view->PlaneSlider(1)->maximum(), 4);
        QCOMPARE(view->PlaneSlider(2)->maximum(), 3);
        QCOMPARE(view->PlaneSlider(0)->value(), 2);
        QCOMPARE(view->PlaneCaption(2)->text(), QString("Z = +0.250   (plane 2 of 4)"));

        // A narrower window, typed into the boxes, reaches every pane.
        view->GreyLowBox()->setValue(100);
        view->GreyHighBox()->setValue(200);
        QCOMPARE(view->GreyLow(), 100.0f);
        QCOMPARE(view->GreyHigh(), 200.0f);
        CheckPanes(*view);
        QCOMPARE(view->PlanePane(2)->Image().pixelColor(5, 4).red(), 114);  // (5, 4, 1) = 145

        // A slider picks another plane; only its pane changes plane.
        view->PlaneSlider(2)->setValue(3);
        QCOMPARE(view->Cursor(), (VoxelIndex{2, 2, 3}));
        CheckPanes(*view);
        view->PlaneSlider(0)->setValue(5);
        QCOMPARE(view->Cursor(), (VoxelIndex{5, 2, 3}));
        QCOMPARE(view->PlaneCaption(0)->text(), QString("X = +0.833   (plane 6 of 6)"));
        CheckPanes(*view);
    }

    void aClickMovesTheCursorAndTheOtherPanesFollow() {
        CVolumeView* view = NewVolume(6, 5, 4);
        CVolume* volume = view->GetVolume();
        Code(*volume);
        volume->UpdateAllViews(nullptr);
        auto* frame = dynamic_cast<QWidget*>(view->GetParentFrame());
        frame->resize(800, 700);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));

        // A click on voxel (4, 1) of the Z plane: the X and Y planes move there.
        CVolumePlanePane* z = view->PlanePane(2);
        QVERIFY(!z->PictureRect().isEmpty());
        QTest::mouseClick(z, Qt::LeftButton, {}, z->PointOf(QPoint(4, 1)).toPoint());
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 1, 1}));
        QCOMPARE(view->PlaneSlider(0)->value(), 4);
        QCOMPARE(view->PlaneSlider(1)->value(), 1);
        QCOMPARE(z->CursorPixel(), QPoint(4, 1));
        CheckPanes(*view);
        QVERIFY(view->ProbeLabel()->text().contains("voxel (4, 1, 1)"));
        QVERIFY(view->ProbeLabel()->text().contains("value 114"));

        // A click on the X plane at column 0 (+y right: j = nY - 1) and row 3.
        CVolumePlanePane* x = view->PlanePane(0);
        QTest::mouseClick(x, Qt::LeftButton, {}, x->PointOf(QPoint(0, 3)).toPoint());
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 4, 3}));
        QCOMPARE(view->PlanePane(1)->CursorPixel(), QPoint(4, 3));
        QCOMPARE(view->PlanePane(2)->CursorPixel(), QPoint(4, 4));
        CheckPanes(*view);

        // Hovering names the world point and the value without moving the cursor.
        CVolumePlanePane* y = view->PlanePane(1);
        QTest::mouseMove(y, y->PointOf(QPoint(1, 0)).toPoint());
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 4, 3}));
        // Voxel (1, 4, 0): x = -5/6 + 1/3, y = -0.8, z = +0.75, value 41.
        QCOMPARE(view->ProbeLabel()->text(),
                 QString("x -0.5000  y -0.8000  z +0.7500   voxel (1, 4, 0)   value 41"));
        // Outside the picture the probe is cleared; a click there changes nothing.
        QTest::mouseMove(y, QPoint(1, 1));
        QVERIFY(view->ProbeLabel()->text().isEmpty());
        QTest::mouseClick(y, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 4, 3}));

        // The wheel steps a pane's plane, a notch a plane, within the volume.
        const auto wheel = [](QWidget* pane, int delta) {
            const QPointF at(pane->width() / 2.0, pane->height() / 2.0);
            QWheelEvent event(at, pane->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(pane, &event);
        };
        wheel(y, -120);
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 3, 3}));
        wheel(y, 60);
        wheel(y, 60);  // two halves make a notch
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 4, 3}));
        wheel(y, 360);  // past the last plane
        QCOMPARE(view->Cursor(), (VoxelIndex{4, 4, 3}));
        CheckPanes(*view);
    }

    void anEmptyVolumeShowsEmptyPanes() {
        CVolumeView* view = NewVolume(0, 0, 0);
        for (std::uint32_t axis = 0; axis < 3; ++axis) {
            QVERIFY(view->PlanePane(axis)->Image().isNull());
            QVERIFY(!view->PlaneSlider(axis)->isEnabled());
        }
        QTest::mouseClick(view->PlanePane(0), Qt::LeftButton);
        QCOMPARE(view->Cursor(), VoxelIndex{});
    }

    void compareWithVolumeOpensTheCliDifferenceAndFigures() {
        CVolumeView* reference = NewVolume(6, 5, 4);
        CVolumeView* measured = NewVolume(6, 5, 4);
        QVERIFY(reference && measured);
        CVolume& a = *reference->GetVolume();
        CVolume& b = *measured->GetVolume();
        for (std::size_t v = 0; v < a.GetVoxelCount(); ++v) {
            a.GetVoxels()[v] = 0.01f * static_cast<float>(v % 17);
            // Every seventh voxel left at 0: outside the field of view.
            b.GetVoxels()[v] = v % 7 == 0 ? 0.0f : 0.012f * static_cast<float>(v % 13) - 0.03f;
        }
        QVERIFY(measured->CompareWithVolumeAction()->isEnabled());
        const QString dir = m_dir->path();
        a.Save((dir + "/a.vol").toStdString());
        b.Save((dir + "/b.vol").toStdString());
        const CliRun fov = RunCli(dir, "compare a.vol b.vol --fov --diff cli.vol");
        QCOMPARE(fov.rc, 0);
        const CliRun whole = RunCli(dir, "compare a.vol b.vol");
        QCOMPARE(whole.rc, 0);

        const std::size_t before = m_bench->Volumes().size();
        CChildFrame* frame = measured->CompareWithVolume(a, "reference");
        QVERIFY(frame);
        QCOMPARE(m_bench->Volumes().size(), before + 1);
        auto* difference = dynamic_cast<CVolume*>(frame->GetDocument());
        QVERIFY(difference && difference != &a && difference != &b);
        QVERIFY(ShareGrid(*difference, b));
        QVERIFY(VoxelsOf(*difference) == VolumeVoxels(dir + "/cli.vol"));
        QCOMPARE(difference->GetVoxels()[1], b.GetVoxels()[1] - a.GetVoxels()[1]);
        // Saved, the measured volume is named by its file.
        QCOMPARE(QString::fromStdString(difference->GetTitle()), QString("Difference b.vol"));
        QVERIFY(dynamic_cast<CVolumeView*>(frame->GetView()));

        CComparisonReportDialog* report = measured->LastReport();
        QVERIFY(report);
        QVERIFY(report->isVisible());
        QVERIFY(report->TextEdit()->isReadOnly());
        const QString text = report->Text();
        QVERIFY2(text.contains(Figures(fov.out)), qPrintable(text + "\n---\n" + fov.out));
        QVERIFY2(text.contains(Figures(whole.out)), qPrintable(text + "\n---\n" + whole.out));
        QVERIFY(text.startsWith("A (reference): reference\nB (measured): b.vol\nB - A opened as \"Difference b.vol\"\n"));
        report->CopyButton()->click();
        QCOMPARE(QApplication::clipboard()->text(), text);

        // From a file, the same voxels; the earlier report gives way.
        CChildFrame* again = measured->CompareWithVolumeFile(dir + "/a.vol");
        QVERIFY(again);
        QVERIFY(VoxelsOf(*dynamic_cast<CVolume*>(again->GetDocument())) == VolumeVoxels(dir + "/cli.vol"));
        FlushDeletes();
        QVERIFY(measured->LastReport() && measured->LastReport() != report);
    }

    void aComparisonThatCannotBeMadeSaysWhyAndOpensNothing() {
        CVolumeView* measured = NewVolume(4, 4, 4);
        CVolumeView* other = NewVolume(4, 4, 5);
        const std::size_t before = m_bench->Volumes().size();
        ScopedMessageBoxes boxes;
        QVERIFY(!measured->CompareWithVolume(*other->GetVolume(), "other"));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].contains("do not share one grid"), qPrintable(boxes.texts[0]));
        QVERIFY(!measured->CompareWithVolumeFile(m_dir->filePath("absent.vol")));
        QVERIFY(!measured->CompareWithPhantom(m_dir->filePath("absent.pha")));
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(m_bench->Volumes().size(), before);
        QVERIFY(!measured->LastReport());
        // An empty volume offers no comparison.
        QVERIFY(!NewVolume(0, 0, 0)->CompareWithPhantomAction()->isEnabled());
    }

#ifdef VOXMILL_TESSOR_MODULE
    void compareWithPhantomVoxelizesAsTheCliDoes() {
        std::string error;
        QVERIFY2(SUCCEEDED(CPluginRegistry::RegisterModule(VOXMILL_TESSOR_MODULE, &error)), error.c_str());
        const QString dir = m_dir->path();
        QCOMPARE(RunCli(dir, "phantom shepp-logan head.pha").rc, 0);
        CVolumeView* measured = NewVolume(12, 12, 12);
        CVolume& b = *measured->GetVolume();
        for (std::size_t v = 0; v < b.GetVoxelCount(); ++v) b.GetVoxels()[v] = 0.05f * static_cast<float>(v % 23);
        b.Save((dir + "/b.vol").toStdString());
        const CliRun fov = RunCli(dir, "compare head.pha b.vol --fov --diff cli.vol");
        QCOMPARE(fov.rc, 0);
        const CliRun whole = RunCli(dir, "compare head.pha b.vol");
        QCOMPARE(whole.rc, 0);

        ScopedFilePrompts prompts;
        prompts.paths.push_back(dir + "/head.pha");
        const std::size_t before = m_bench->Volumes().size();
        measured->CompareWithPhantomAction()->trigger();
        QCOMPARE(prompts.requests.size(), std::size_t(1));
        QCOMPARE(prompts.requests[0].filters, QStringList{"Phantom Files (*.pha)"});
        QCOMPARE(m_bench->Volumes().size(), before + 1);
        CVolume* difference = m_bench->Volumes().back();
        QVERIFY(VoxelsOf(*difference) == VolumeVoxels(dir + "/cli.vol"));
        const QString text = measured->LastReport()->Text();
        QVERIFY2(text.contains(Figures(fov.out)), qPrintable(text + "\n---\n" + fov.out));
        QVERIFY2(text.contains(Figures(whole.out)), qPrintable(text + "\n---\n" + whole.out));
        QVERIFY(text.contains("(voxelized by Tessor)"));
    }
#endif

private:
    // Voxel (i, j, k) holds i + 10 j + 100 k.
    static void Code(CVolume& volume) {
        for (std::uint32_t k = 0; k < volume.GetCountZ(); ++k)
            for (std::uint32_t j = 0; j < volume.GetCountY(); ++j)
                for (std::uint32_t i = 0; i < volume.GetCountX(); ++i)
                    volume.Voxel(i, j, k) = static_cast<float>(i + 10 * j + 100 * k);
    }

    // Every pixel of every pane is its voxel through the grey window, the
    // voxel taken by the slicing commands' rule for the cursor's planes.
    static void CheckPanes(CVolumeView& view) {
        CVolume& v = *view.GetVolume();
        const VoxelIndex cur = view.Cursor();
        const std::uint32_t nY = v.GetCountY();
        for (std::uint32_t axis = 0; axis < 3; ++axis) {
            const QImage image = view.PlanePane(axis)->Image();
            const QSize expected = axis == 0 ? QSize(int(nY), int(v.GetCountZ()))
                                   : axis == 1 ? QSize(int(v.GetCountX()), int(v.GetCountZ()))
                                               : QSize(int(v.GetCountX()), int(nY));
            QCOMPARE(image.size(), expected);
            QCOMPARE(image.format(), QImage::Format_Grayscale8);
            for (int r = 0; r < image.height(); ++r)
                for (int c = 0; c < image.width(); ++c) {
                    const auto uc = static_cast<std::uint32_t>(c), ur = static_cast<std::uint32_t>(r);
                    const float value = axis == 0   ? v.Voxel(cur.i, nY - 1 - uc, ur)
                                        : axis == 1 ? v.Voxel(uc, cur.j, ur)
                                                    : v.Voxel(uc, ur, cur.k);
                    const int grey = GreyIndex(value, view.GreyLow(), view.GreyHigh());
                    if (image.pixelColor(c, r).red() != grey)
                        QFAIL(qPrintable(QString("pane %1 pixel (%2, %3): %4, expected %5")
                                             .arg(axis).arg(c).arg(r).arg(image.pixelColor(c, r).red()).arg(grey)));
                }
        }
    }

    // A volume window from the Volume template, allocated when the counts
    // are not zero.
    CVolumeView* NewVolume(std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ) {
        auto* volume = static_cast<CVolume*>(m_bench->Frame().NewDocument(m_bench->Template(132)));
        if (!volume) return nullptr;
        if (nX) volume->Allocate(2, 2, 2, nX, nY, nZ);
        volume->UpdateAllViews(nullptr);
        CChildFrame* frame = ReconstructionWorkbench::FrameOf(*volume);
        return frame ? dynamic_cast<CVolumeView*>(frame->GetView()) : nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ReconstructionWorkbench> m_bench;
};

QTEST_MAIN(VolumeWindowTest)
#include "VolumeWindowTest.moc"
