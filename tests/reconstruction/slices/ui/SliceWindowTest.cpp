// The slice and slice collection windows on the offscreen platform: the
// thresholded export against the view's own picture, byte for byte; the
// list of a collection; opening and closing slice windows; and the volume
// window's slice commands in a workbench.
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QSlider>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

#include "formats/PngImage.h"
#include "formats/ui/PngExport.h"
#include "formats/ui/StackExportMenu.h"
#include "imaging/ui/ColourMapMenu.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/FrameTable.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RecentFileList.h"
#include "imaging/GreyMap.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "reconstruction/Volume.h"
#include "reconstruction/ui/SliceCollectionView.h"
#include "reconstruction/ui/SliceView.h"
#include "reconstruction/ui/VolumeView.h"
#include "tests/app/ui/UiTestSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray BitmapBytes(const CDib& dib, const QString& path) {
    return dib.WriteFile(path.toStdString()) ? FileBytes(path) : QByteArray();
}

QStringList Entries(QMenu* menu, bool enabledOnly = false) {
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && (!enabledOnly || a->isEnabled())) texts << a->text();
    return texts;
}

// A slice of w x h pixels, value c + 10 r, at Z = -0.984375.
std::unique_ptr<CSlice> MakeSlice(std::uint32_t w, std::uint32_t h) {
    auto s = std::make_unique<CSlice>();
    s->OnNewDocument();
    s->m_bAutoDelete = false;
    s->Create(2.0, 1.0, w, h);
    for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) s->GetPixels()[r * w + c] = static_cast<float>(c + 10 * r);
    s->UpdateRange();
    s->SetAxisPosition(kSliceAxisZ, -0.984375);
    return s;
}

// A window of `View` on a document, in an MDI area of its own.
template <class Frame, class View>
struct Window {
    explicit Window(CDocument& doc) {
        mdi.resize(1000, 800);
        mdi.show();
        frame = new Frame;
        view = new View;
        frame->AttachView(view, doc);
        mdi.addSubWindow(frame);
        frame->InitialUpdateFrame();
    }
    ~Window() {
        if (frame && !frame->IsDestroyed()) frame->DestroyWindow();
        FlushDeletes();
    }
    QMdiArea mdi;
    Frame* frame = nullptr;
    View* view = nullptr;
};

using SliceWindow = Window<CSurfaceChildFrame, CSliceView>;
using CollectionWindow = Window<CChildFrame, CSliceCollectionView>;

// A Slice template whose windows are slice windows in `mdi`.
std::unique_ptr<CDocTemplate> SliceTemplateIn(QMdiArea& mdi) {
    auto tmpl = std::make_unique<CDocTemplate>(
        137, "\nSlice\nSlice\nSlice Files (*.slc)\n.SLC\nSlice.Document\nSlice Document", true, nullptr);
    tmpl->SetFrameFactory([&mdi](CDocTemplate& t, CDocument* doc) -> CFrameWnd* {
        CChildFrame* frame = CreateFrame<CSurfaceChildFrame, CSliceView>(*doc);
        frame->SetTemplate(&t);
        mdi.addSubWindow(frame);
        return frame;
    });
    return tmpl;
}

}  // namespace

class SliceWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void exportMenuHasBothBitmaps() {
        auto slice = MakeSlice(8, 4);
        SliceWindow w(*slice);
        const QList<QMenu*> menus = w.view->DocumentMenus();
        QVERIFY(menus.size() >= 2);
        QCOMPARE(menus.front()->title(), QString("Export"));
        QCOMPARE(Entries(menus.front()),
                 (QStringList{"Windows Bitmap (original)", "Windows Bitmap  (thresholded)", "PNG Image"}));
        QVERIFY(w.view->ExportOriginalAction()->isEnabled());
        QVERIFY(w.view->ExportThresholdedAction()->isEnabled());
        QCOMPARE(w.frame->windowTitle(), QString("Slice Z = -0.984"));

        CSlice empty;
        empty.m_bAutoDelete = false;
        SliceWindow e(empty);
        QVERIFY(!e.view->ExportOriginalAction()->isEnabled());
        QVERIFY(!e.view->ExportThresholdedAction()->isEnabled());
        QVERIFY(!e.view->PngExport()->Action()->isEnabled());
    }

    void colourMapsChangeThePictureOnly() {
        auto slice = MakeSlice(9, 5);
        for (std::size_t k = 0; k < slice->GetPixelCount(); ++k) slice->GetPixels()[k] -= 20.0f;  // -20 .. 28
        slice->SetValueRange(-20.0f, 28.0f);
        SliceWindow w(*slice);
        QMenu* colourMenu = w.view->ColourMaps()->Menu();
        QCOMPARE(colourMenu->title(), QString("Colour Map"));
        QCOMPARE(Entries(colourMenu), (QStringList{"Grey", "Diverging", "Perceptual"}));
        QVERIFY(w.view->ImageMenu()->actions().contains(colourMenu->menuAction()));
        QVERIFY(w.view->ColourMaps()->Action(ColourMapKind::grey)->isChecked());
        const QByteArray greyBitmap = BitmapBytes(*w.view->GetBitmap(), m_dir->filePath("grey.bmp"));
        const QImage greyPicture = w.view->DisplayImage();

        w.view->ColourMaps()->Action(ColourMapKind::diverging)->trigger();
        QCOMPARE(w.view->ColourMap(), ColourMapKind::diverging);
        const QImage shown = w.view->DisplayImage().convertToFormat(QImage::Format_RGB888);
        QCOMPARE(shown.size(), QSize(9, 5));
        auto rgbAt = [](const QImage& image, int c, int r) {
            const QRgb p = image.pixel(c, r);
            return Rgb{static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                       static_cast<std::uint8_t>(qBlue(p))};
        };
        for (std::uint32_t r = 0; r < 5; ++r)
            for (std::uint32_t c = 0; c < 9; ++c)
                QCOMPARE(rgbAt(shown, c, r), MapColour(ColourMapKind::diverging, slice->GetPixel(c, r), -20.0f, 28.0f));
        QCOMPARE(rgbAt(shown, 0, 2), (Rgb{255, 255, 255}));  // 0 is white
        // The data, the grey bitmap and its exports are untouched.
        QCOMPARE(BitmapBytes(*w.view->GetBitmap(), m_dir->filePath("after.bmp")), greyBitmap);
        QVERIFY(w.view->ExportThresholded(m_dir->filePath("t.bmp")));
        QCOMPARE(FileBytes(m_dir->filePath("t.bmp")), greyBitmap);
        QCOMPARE(slice->GetPixel(0, 0), -20.0f);

        // The PNG is the picture shown, pixel for pixel.
        QVERIFY(w.view->PngExport()->Export(m_dir->filePath("shown.png")));
        const PngPicture png = ReadPng(m_dir->filePath("shown.png").toStdString());
        QCOMPARE(png.channels, 3);
        for (std::uint32_t r = 0; r < 5; ++r)
            for (std::uint32_t c = 0; c < 9; ++c) QCOMPARE(png.At(c, r), rgbAt(shown, c, r));
        // Back to grey: the grey picture again.
        w.view->ColourMaps()->Action(ColourMapKind::grey)->trigger();
        QCOMPARE(w.view->DisplayImage(), greyPicture);
        w.view->ColourMaps()->Action(ColourMapKind::diverging)->trigger();

        // Moving a slider windows the colours too.
        w.frame->WidthSlider()->setValue(300);
        QVERIFY(w.view->IsWindowed());
        const float low = w.view->WindowLow(), high = w.view->WindowHigh();
        w.view->ColourMaps()->Action(ColourMapKind::perceptual)->trigger();
        const QImage perceptual = w.view->DisplayImage();
        for (std::uint32_t r = 0; r < 5; ++r)
            for (std::uint32_t c = 0; c < 9; ++c)
                QCOMPARE(rgbAt(perceptual, c, r), MapColour(ColourMapKind::perceptual, slice->GetPixel(c, r), low, high));
        QVERIFY(w.view->PngExport()->Export(m_dir->filePath("windowed.png")));
        QCOMPARE(ReadPng(m_dir->filePath("windowed.png").toStdString()).At(4, 2), rgbAt(perceptual, 4, 2));
    }

    void pngExportAsksForAPngFileAndKeepsTheOldOneOnFailure() {
        auto slice = MakeSlice(4, 4);
        SliceWindow w(*slice);
        ScopedFilePrompts prompts;
        prompts.paths.push_back(m_dir->filePath("picked"));
        w.view->PngExport()->Action()->trigger();
        QCOMPARE(prompts.requests.size(), std::size_t(1));
        QCOMPARE(prompts.requests[0].filters, QStringList{"PNG Files (*.png)"});
        QVERIFY(!prompts.requests[0].open);
        const QByteArray written = FileBytes(m_dir->filePath("picked.png"));
        QVERIFY(written.startsWith("\x89PNG"));
        // Grey with untouched sliders: the levels of the original bitmap.
        const PngPicture png = ReadPng(m_dir->filePath("picked.png").toStdString());
        QCOMPARE(png.channels, 1);
        QCOMPARE(png.bytes[5], GreyIndex(slice->GetPixel(1, 1), slice->GetMinValue(), slice->GetMaxValue()));

        ScopedMessageBoxes boxes;
        QDir(m_dir->path()).mkpath("in-the-way.png/inside");
        QVERIFY(!w.view->PngExport()->Export(m_dir->filePath("in-the-way.png")));
        QVERIFY(!w.view->PngExport()->Export(m_dir->filePath("missing/x.png")));
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts[1].startsWith("Cannot export to "));
        QCOMPARE(FileBytes(m_dir->filePath("picked.png")), written);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"picked.png"});
    }

    void thresholdedExportIsTheViewsPictureByteForByte() {
        auto slice = MakeSlice(13, 7);  // 0 .. 72, rows padded to 16
        SliceWindow w(*slice);
        w.frame->WidthSlider()->setValue(350);
        w.frame->PositionSlider()->setValue(620);
        QCOMPARE(w.view->WindowWidth(), 350);
        QCOMPARE(w.view->WindowPosition(), 620);
        const QString shownPath = m_dir->filePath("shown.bmp");
        const QByteArray shown = BitmapBytes(*w.view->GetBitmap(), shownPath);
        QVERIFY(!shown.isEmpty());

        const QString thresholded = m_dir->filePath("thresholded.bmp");
        QVERIFY(w.view->ExportThresholded(thresholded));
        const QByteArray written = FileBytes(thresholded);
        QCOMPARE(written, shown);
        QCOMPARE(slice->GetExportBitmap(), nullptr);
        // And the core's windowed export of the same slider values says the same.
        slice->ExportWindowedBitmap(m_dir->filePath("core.bmp").toStdString(), {350, 620});
        QCOMPARE(FileBytes(m_dir->filePath("core.bmp")), written);
        // Every pixel through the view's window.
        const float low = w.view->WindowLow(), high = w.view->WindowHigh();
        for (std::uint32_t r = 0; r < 7; ++r)
            for (std::uint32_t c = 0; c < 13; ++c)
                QCOMPARE(static_cast<std::uint8_t>(written[1078 + (6 - r) * 16 + c]),
                         GreyIndex(slice->GetPixel(c, r), low, high));

        const QString original = m_dir->filePath("original.bmp");
        QVERIFY(w.view->ExportOriginal(original));
        slice->ExportBitmap(m_dir->filePath("direct.bmp").toStdString());
        QCOMPARE(FileBytes(original), FileBytes(m_dir->filePath("direct.bmp")));
        QVERIFY(FileBytes(original) != written);
    }

    void untouchedSlidersExportTheFullRange() {
        // The first picture shows the whole range until a slider moves.
        auto slice = MakeSlice(6, 3);
        SliceWindow w(*slice);
        QVERIFY(w.view->ExportThresholded(m_dir->filePath("t.bmp")));
        QVERIFY(w.view->ExportOriginal(m_dir->filePath("o.bmp")));
        QCOMPARE(FileBytes(m_dir->filePath("t.bmp")), FileBytes(m_dir->filePath("o.bmp")));
    }

    void exportsAskForABitmapFile() {
        auto slice = MakeSlice(4, 4);
        SliceWindow w(*slice);
        ScopedFilePrompts prompts;
        prompts.paths.push_back(m_dir->filePath("picked"));
        w.view->ExportThresholdedAction()->trigger();
        QCOMPARE(prompts.requests.size(), std::size_t(1));
        QCOMPARE(prompts.requests[0].filters, QStringList{"Bitmap Files (*.bmp)"});
        QVERIFY(!prompts.requests[0].open);
        QVERIFY(QFile::exists(m_dir->filePath("picked.bmp")));
        w.view->ExportOriginalAction()->trigger();  // cancelled: nothing written
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"picked.bmp"});
    }

    void failedExportIsShownAndKeepsTheOldFile() {
        auto slice = MakeSlice(4, 4);
        SliceWindow w(*slice);
        ScopedMessageBoxes boxes;
        QVERIFY(!w.view->ExportOriginal(m_dir->filePath("missing/folder/x.bmp")));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith("Cannot export to "));
    }

    void collectionListsSlicesWithThumbnailsUnderAxis() {
        auto volume = std::make_unique<CVolume>();
        volume->m_bAutoDelete = false;
        QVERIFY(volume->Allocate(2, 2, 2, 8, 4, 3));
        for (std::size_t k = 0; k < volume->GetVoxelCount(); ++k) volume->GetVoxels()[k] = static_cast<float>(k);
        CSliceCollection collection;
        collection.m_bAutoDelete = false;
        SliceVolume(*volume, kSliceAxisZ, collection);
        CollectionWindow w(collection);
        QStandardItemModel* model = w.view->Model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->columnCount(), 1);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Axis"));
        QCOMPARE(model->item(0)->text(), QString("Z = +0.667"));
        QCOMPARE(model->item(2)->text(), QString("Z = -0.667"));
        for (int i = 0; i < 3; ++i) QVERIFY(!model->item(i)->icon().isNull());
        QCOMPARE(w.view->IconView()->viewMode(), QListView::IconMode);
        QCOMPARE(w.view->IconView()->iconSize(), QSize(64, 64));
        w.view->SetDetails(true);
        QCOMPARE(w.view->DetailsView()->header()->sectionSize(0), 64);
        QCOMPARE(w.view->DetailsView()->iconSize(), QSize(64, 64));
        QCOMPARE(Entries(w.view->SlicesMenu(), true), (QStringList{"Large Icons", "Details", "Target"}));
        QCOMPARE(Entries(w.view->SlicesMenu()).mid(0, 3), (QStringList{"Add Slice", "Remove Selected", "Remove All"}));
    }

    void collectionExportsOneStackOfAllSlices() {
        auto volume = std::make_unique<CVolume>();
        volume->m_bAutoDelete = false;
        QVERIFY(volume->Allocate(2, 2, 2, 8, 4, 3));
        CSliceCollection collection;
        collection.m_bAutoDelete = false;
        SliceVolume(*volume, kSliceAxisZ, collection);
        CollectionWindow w(collection);
        QCOMPARE(w.view->ExportMenu()->title(), QString("Export"));
        QCOMPARE(Entries(w.view->ExportMenu()), (QStringList{"HDF5", "TIFF Stack (32-bit Float)", "PNG Montage"}));
        emit w.view->ExportMenu()->aboutToShow();
        QVERIFY(w.view->StackExports()->Action(StackFormat::tiff)->isEnabled());
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(m_dir->filePath("slices"));
        w.view->StackExports()->Action(StackFormat::tiff)->trigger();
        QFile file(m_dir->filePath("slices.tif"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("II*\0", 4));
        // Three pages of 8 x 4 floats at least.
        QVERIFY(file.size() > qint64(3 * 8 * 4 * 4));
        QVERIFY(w.view->StackExports()->Export(StackFormat::hdf5, m_dir->filePath("slices.h5")));
        // Three slices of 8 x 4: two columns, two rows, as the command line's montage.
        prompts.paths.push_back(m_dir->filePath("montage"));
        w.view->StackExports()->Action(StackFormat::pngMontage)->trigger();
        QCOMPARE(prompts.requests.back().filters, QStringList{"PNG Files (*.png)"});
        const PngPicture montage = ReadPng(m_dir->filePath("montage.png").toStdString());
        QCOMPARE(montage.width, 16u);
        QCOMPARE(montage.height, 8u);
        QVERIFY(montage.bytes == MontagePicture(collection, {}).bytes);

        CSliceCollection none;
        none.m_bAutoDelete = false;
        none.OnNewDocument();
        CollectionWindow e(none);
        emit e.view->ExportMenu()->aboutToShow();
        QVERIFY(!e.view->StackExports()->Action(StackFormat::hdf5)->isEnabled());
    }

    void emptyVolumeOpensAnEmptyCollectionWindow() {
        CVolume empty;
        empty.m_bAutoDelete = false;
        empty.OnNewDocument();
        CSliceCollection collection;
        collection.m_bAutoDelete = false;
        SliceVolume(empty, kSliceAxisX, collection);
        CollectionWindow w(collection);
        QCOMPARE(w.view->Model()->rowCount(), 0);
        QVERIFY(w.frame->isVisible());
    }

    void doubleClickOpensASliceWindowAndClosingItKeepsTheSlice() {
        QMdiArea mdi;
        auto tmpl = SliceTemplateIn(mdi);
        CSliceCollection::SetSliceTemplate(tmpl.get());
        CSliceCollection collection;
        collection.m_bAutoDelete = false;
        auto volume = std::make_unique<CVolume>();
        volume->m_bAutoDelete = false;
        QVERIFY(volume->Allocate(1, 1, 1, 4, 4, 2));
        SliceVolume(*volume, kSliceAxisY, collection);
        CollectionWindow w(collection);

        CSlice* slice = collection.GetSlice(1);
        QListView* icons = w.view->IconView();
        const QRect item = icons->visualRect(w.view->Model()->index(1, 0));
        QVERIFY(!item.isEmpty());
        // The view takes a double click on the item it was pressed on.
        QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, item.center());
        QTest::mouseDClick(icons->viewport(), Qt::LeftButton, {}, item.center());
        QCOMPARE(slice->GetViews().size(), std::size_t(1));
        CChildFrame* frame = w.view->OpenSlice(1);
        QVERIFY(frame);
        QCOMPARE(frame->GetDocument(), static_cast<CDocument*>(slice));
        QVERIFY(dynamic_cast<CSliceView*>(frame->GetView()));
        QCOMPARE(w.view->OpenSlice(1), frame);  // the open window, not a second one
        QCOMPARE(slice->GetViews().size(), std::size_t(1));
        QVERIFY(!w.view->OpenSlice(7));

        frame->close();
        FlushDeletes();
        QVERIFY(slice->GetViews().empty());
        QCOMPARE(collection.GetCount(), std::size_t(4));
        QCOMPARE(collection.GetSlice(1), slice);
        QVERIFY(slice->HasPixels());
        collection.DeleteContents();
        CSliceCollection::SetSliceTemplate(nullptr);
    }

    void volumeWindowSlicesIntoACollectionWindow() {
        UseSettingsIn(*m_dir);
        CDocManager docs;
        CRecentFileList recent;
        CMainFrame main(docs, recent);
        main.InstallFrames({{132, &CreateFrame<CChildFrame, CVolumeView>},
                            {133, &CreateFrame<CChildFrame, CSliceCollectionView>},
                            {137, &CreateFrame<CSurfaceChildFrame, CSliceView>}});
        CSliceCollection::SetSliceTemplate(docs.FindTemplate(137));
        main.show();
        auto* volume = dynamic_cast<CVolume*>(docs.FindTemplate(132)->CreateNewDocument());
        QVERIFY(volume);
        volume->OnNewDocument();
        QVERIFY(volume->Allocate(2, 2, 2, 6, 5, 4));
        CChildFrame* volumeFrame = CChildFrame::OpenFrame(*docs.FindTemplate(132), *volume);
        QVERIFY(volumeFrame);
        auto* volumeView = dynamic_cast<CVolumeView*>(volumeFrame->GetView());
        QVERIFY(volumeView->SliceAction(1)->isEnabled());

        CChildFrame* slicesFrame = volumeView->MakeSlices(1);
        QVERIFY(slicesFrame);
        auto* collectionView = dynamic_cast<CSliceCollectionView*>(slicesFrame->GetView());
        QVERIFY(collectionView);
        QCOMPARE(collectionView->Model()->rowCount(), 5);
        CSliceCollection* collection = collectionView->GetCollection();
        QCOMPARE(collection->GetAxis(), std::uint32_t(kSliceAxisY));
        QCOMPARE(collection->GetSlice(0)->GetDocTemplate(), docs.FindTemplate(137));

        CChildFrame* sliceFrame = collectionView->OpenSlice(0);
        QVERIFY(sliceFrame);
        QVERIFY(dynamic_cast<CSliceView*>(sliceFrame->GetView()));
        main.CloseAllDocuments();
        FlushDeletes();
        CSliceCollection::SetSliceTemplate(nullptr);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(SliceWindowTest)
#include "SliceWindowTest.moc"
