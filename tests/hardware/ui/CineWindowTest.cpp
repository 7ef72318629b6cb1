// The slide and cine windows on the offscreen platform: the 8-bit view's
// read-out and grey window, the slide's imports, exports and Generate
// Projection, the cine window's list, member commands, imports, exports
// and Generate Projections, with every dialog answered as a user would.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QSlider>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <cmath>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "app/ui/PlotServer.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"
#include "imaging/ui/SpinEdit.h"
#include "tests/hardware/ui/CineUiSupport.h"
#include "tests/imaging/ui/DialogAnswers.h"

namespace voxmill {

using test::CineWorkbench;

namespace {

QStringList Entries(const QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    return texts;
}

QMenu* MenuTitled(const QList<QMenu*>& menus, const QString& title) {
    for (QMenu* m : menus)
        if (m->title() == title) return m;
    return nullptr;
}

QStringList Column(const QStandardItemModel& model, int column) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r) texts << model.item(r, column)->text();
    return texts;
}

// A cine of `count` 16 x 8 slides on the full circle; slide k holds k + c.
CSlideCollection* NewCine(CineWorkbench& bench, std::size_t count) {
    auto* cine = bench.New<CSlideCollection>(146);
    if (!cine) return nullptr;
    for (std::size_t k = 0; k < count; ++k) {
        auto* slide = static_cast<CSlide*>(cine->AddSlide()->m_pElement);
        test::FillSlide(*slide, 16, 8, 2 * 3.14159265359 * k / count, [k](auto c, auto) { return 40 * k + c; });
    }
    cine->UpdateAllViews(nullptr);
    return cine;
}

}  // namespace

class CineWindowTest : public QObject {
    Q_OBJECT

private slots:
    void slideViewReadsOutBytesAndWindowsInWholeNumbers() {
        CineWorkbench bench;
        auto* slide = bench.New<CSlide>(147);
        QVERIFY(slide);
        QVERIFY(test::FillSlide(*slide, 100, 50, 0, [](auto c, auto) { return c; }));  // 0 .. 99
        slide->UpdateAllViews(nullptr, CSurfacei::kHintImageChanged);
        auto* view = CineWorkbench::ViewOf<CSlideView>(*slide);
        auto* frame = dynamic_cast<CSurfaceChildFrame*>(CineWorkbench::FrameOf(*slide));
        QVERIFY(view && frame);
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Import")), QStringList{"Binary Matrix"});
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Export")),
                 (QStringList{"Binary Matrix (Unsigned Byte)", "Windows Bitmap"}));
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Slide")), QStringList{"Generate Projection"});
        QStringList titles;
        for (QMenu* menu : view->DocumentMenus()) titles << menu->title();
        QCOMPARE(titles.mid(0, 3), (QStringList{"Import", "Export", "Slide"}));
        QCOMPARE(view->ImportBinaryMatrixAction()->statusTip(),
                 QStringLiteral("Import a raw matrix file as 8-bit pixels"));
        QCOMPARE(view->ExportBinaryMatrixAction()->statusTip(),
                 QStringLiteral("Write the pixels as a raw matrix of bytes"));
        QCOMPARE(view->ExportBitmapAction()->statusTip(), QStringLiteral("Write the image as an 8-bit grey bitmap"));

        // The full-range picture stretches 0..99 by k = 2.
        QVERIFY(view->GetBitmap());
        QCOMPARE(int(view->GetBitmap()->GetBits()[99]), 198);

        // Pointer read-out in "%d".
        frame->PointerAction()->trigger();
        const ViewRect r = view->Layout().imageRect;
        view->OnMouseMove(QPoint(r.left + 37, r.top + 3));
        QCOMPARE(view->StatusText(), QStringLiteral("p[37,3] = p(1.48,0.24) = 37"));

        // Width 500, position 499 over 0..99: centre 49, half 24: 25 to 73.
        frame->WidthSlider()->setValue(500);
        QCOMPARE(view->WindowLow(), 25.0f);
        QCOMPARE(view->WindowHigh(), 73.0f);
        QCOMPARE(view->StatusText(), QStringLiteral("Grey level window: from 25.000 to 73.000"));
        QCOMPARE(int(view->GetBitmap()->GetBits()[25]), 0);
        QCOMPARE(int(view->GetBitmap()->GetBits()[49]), int(255.0f / 48.0f * 24.0f));
        QCOMPARE(int(view->GetBitmap()->GetBits()[80]), 255);
    }

    void slideLineProfileGoesToThePlotServer() {
        CineWorkbench bench;
        auto* slide = bench.New<CSlide>(147);
        QVERIFY(test::FillSlide(*slide, 40, 20, 0, [](auto c, auto r) { return c + 2 * r; }));
        slide->UpdateAllViews(nullptr, CSurfacei::kHintImageChanged);
        auto* view = CineWorkbench::ViewOf<CSlideView>(*slide);
        auto* frame = dynamic_cast<CSurfaceChildFrame*>(CineWorkbench::FrameOf(*slide));
        CPlotServer server;
        view->SetPlotServer(&server);
        frame->LinerAction()->trigger();
        const ViewRect r = view->Layout().imageRect;
        test::ScopedDialogAnswers answers;
        answers.Accept<CPlotServer>();
        view->OnLeftButtonDown(QPoint(r.left, r.top + 5));
        QCOMPARE(view->StatusText(), QStringLiteral("Line from [0,5] to [0,5]"));
        view->OnMouseMove(QPoint(r.left + 39, r.top + 5));
        QCOMPARE(view->StatusText(), QStringLiteral("Line from [0,5] to [39,5]"));
        view->OnLeftButtonUp(QPoint(r.left + 39, r.top + 5));
        // The 8-bit view plots its bytes as the float view plots its values.
        QCOMPARE(server.Plots().size(), std::size_t(1));
        QCOMPARE(server.Plots().front().values.size(), std::size_t(100));
        QCOMPARE(server.Plots().front().values.front(), 10.0f);
        QCOMPARE(server.Plots().front().values.back(), 49.0f);
    }

    void slideImportAndExports() {
        CineWorkbench bench;
        QTemporaryDir dir;
        auto* slide = bench.New<CSlide>(147);
        auto* view = CineWorkbench::ViewOf<CSlideView>(*slide);
        QVERIFY(view);
        QVERIFY(!view->ExportBitmapAction()->isEnabled());
        const QString raw = dir.filePath("frame.raw");
        QByteArray bytes(65536, '\0');
        for (int k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(k % 256);
        test::WriteBytes(raw, bytes);

        test::ScopedFilePrompts prompts;
        test::ScopedDialogAnswers answers;
        // Cancel imports nothing.
        prompts.paths.push_back(raw);
        answers.Reject();
        view->ImportBinaryMatrixAction()->trigger();
        QVERIFY(!slide->HasPixels());
        // The dialog proposes 256 x 256 of "8 bit Integer".
        prompts.paths.push_back(raw);
        answers.Accept<CBinaryMatrixImportDialog>([](CBinaryMatrixImportDialog& d) {
            QCOMPARE(d.FileLengthText(), QStringLiteral("65536"));
            QCOMPARE(d.TypeBox()->currentText(), QStringLiteral("8 bit Integer"));
            QCOMPARE(d.ColumnsEdit()->value(), 256);
            QCOMPARE(d.RowsEdit()->value(), 256);
            QCOMPARE(d.ReadLengthText(), QStringLiteral("65536"));
        });
        view->ImportBinaryMatrixAction()->trigger();
        QVERIFY(slide->HasPixels());
        QCOMPARE(slide->GetDimX(), 4.0);
        QCOMPARE(int(slide->GetPixel(255, 0)), 255);
        QCOMPARE(prompts.requests.front().filters, QStringList{"Binary Matrix Raw Files (*.raw)"});
        QVERIFY(view->ExportBitmapAction()->isEnabled());

        prompts.paths.push_back(dir.filePath("out.raw"));
        view->ExportBinaryMatrixAction()->trigger();
        QFile out(dir.filePath("out.raw"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), bytes);
        prompts.paths.push_back(dir.filePath("out.bmp"));
        view->ExportBitmapAction()->trigger();
        QCOMPARE(QFileInfo(dir.filePath("out.bmp")).size(), qint64(14 + 40 + 1024 + 65536));
        QCOMPARE(prompts.requests.back().filters, QStringList{"Bitmap Files (*.bmp)"});
    }

    void generateProjectionOpensAProjectionWindow() {
        CineWorkbench bench;
        QTemporaryDir dir;
        auto* slide = bench.New<CSlide>(147);
        QVERIFY(test::FillSlide(*slide, 8, 4, 0, [](auto c, auto) { return c == 0 ? 0 : 255; }));
        slide->UpdateAllViews(nullptr, CSurfacei::kHintImageChanged);
        auto* view = CineWorkbench::ViewOf<CSlideView>(*slide);
        CSlide reference;
        QVERIFY(test::FillSlide(reference, 8, 4, 0, [](auto, auto) { return 255; }));
        reference.Save(dir.filePath("ref.sld").toStdString());

        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(dir.filePath("ref.sld"));
        view->GenerateProjectionAction()->trigger();
        QCOMPARE(prompts.requests.front().filters, QStringList{"Slide Files (*.sld)"});
        auto* projectionView = bench.NewestView<CProjectionView>();
        QVERIFY(projectionView);
        const CProjection* p = projectionView->GetProjection();
        QCOMPARE(p->GetPixel(0, 0), static_cast<float>(std::log(256.0)));
        QCOMPARE(p->GetPixel(1, 0), 0.0f);

        // A smaller reference: nothing made, and the user is told why.
        CSlide small;
        QVERIFY(test::FillSlide(small, 4, 4, 0, [](auto, auto) { return 255; }));
        small.Save(dir.filePath("small.sld").toStdString());
        test::ScopedMessageBoxes boxes;
        const std::size_t windows = bench.Frames().size();
        QVERIFY(!view->GenerateProjection(dir.filePath("small.sld")));
        QCOMPARE(bench.Frames().size(), windows);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.front().contains("smaller"));
    }

    void cineWindowListsSlidesAndEditsMembers() {
        CineWorkbench bench;
        CSlideCollection* cine = NewCine(bench, 4);
        auto* view = CineWorkbench::ViewOf<CSlideCollectionView>(*cine);
        QVERIFY(view);
        QCOMPARE(view->IconView()->viewMode(), QListView::IconMode);
        QCOMPARE(view->IconView()->iconSize(), QSize(64, 64));
        QCOMPARE(view->Model()->headerData(CSlideCollectionView::kAngleColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Angle (rad)"));
        QCOMPARE(view->DetailsView()->header()->sectionSize(CSlideCollectionView::kAngleColumn), 64);
        QCOMPARE(Column(*view->Model(), 1), (QStringList{"0.0000", "1.5708", "3.1416", "4.7124"}));
        QVERIFY(Column(*view->Model(), 0).at(1).startsWith(QStringLiteral("+4.00,+0.00,")));
        QVERIFY(!view->Model()->item(0)->icon().isNull());
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Import")),
                 (QStringList{"Cine Binary Matrix", "Binary Matrix"}));
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Export")),
                 (QStringList{"Cine Binary Matrix (Unsigned Byte)", "Cine Windows AVI"}));
        QCOMPARE(Entries(MenuTitled(view->DocumentMenus(), "Cine")), QStringList{"Generate Projections"});
        QCOMPARE(Entries(view->MembersMenu()).mid(0, 3), (QStringList{"Add Slide", "Remove Selected", "Remove All"}));

        // A double click opens the slide in its 8-bit window.
        const QRect cell = view->IconView()->visualRect(view->Model()->index(2, 0));
        QTest::mouseClick(view->IconView()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->IconView()->viewport(), Qt::LeftButton, {}, cell.center());
        auto* slideView = CineWorkbench::ViewOf<CSlideView>(*cine->GetSlide(2));
        QVERIFY(slideView);
        QCOMPARE(slideView->GetSlide(), cine->GetSlide(2));
        std::string description;
        cine->GetSlide(2)->GetDescription(description);
        QVERIFY(!description.empty());
        QCOMPARE(slideView->FrameTitle(), QStringLiteral("Slide ") + QString::fromStdString(description));

        // Add Slide, Remove Selected, Remove All.
        view->IconView()->clearSelection();
        QVERIFY(view->AddAction()->isEnabled());
        QVERIFY(!view->RemoveSelectedAction()->isEnabled());
        view->AddAction()->trigger();
        QCOMPARE(cine->GetCount(), std::size_t(5));
        QCOMPARE(view->Model()->rowCount(), 5);
        view->IconView()->selectionModel()->select(view->Model()->index(0, 0), QItemSelectionModel::Select);
        view->IconView()->selectionModel()->select(view->Model()->index(3, 0), QItemSelectionModel::Select);
        QVERIFY(view->RemoveSelectedAction()->isEnabled());
        view->RemoveSelectedAction()->trigger();
        QCOMPARE(cine->GetCount(), std::size_t(3));
        QCOMPARE(Column(*view->Model(), 1).at(0), QStringLiteral("1.5708"));
        QVERIFY(cine->IsModified());
        view->RemoveAllAction()->trigger();
        QCOMPARE(cine->GetCount(), std::size_t(0));
        QVERIFY(!view->RemoveAllAction()->isEnabled());
        QVERIFY(!view->ExportAviAction()->isEnabled());
    }

    void cineImportsAskTheirDialogs() {
        CineWorkbench bench;
        QTemporaryDir dir;
        CSlideCollection* cine = NewCine(bench, 1);
        auto* view = CineWorkbench::ViewOf<CSlideCollectionView>(*cine);
        const QString raw = dir.filePath("cine.raw");
        QByteArray bytes(400, '\0');
        for (int k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(k % 251);
        test::WriteBytes(raw, bytes);

        test::ScopedFilePrompts prompts;
        test::ScopedDialogAnswers answers;
        prompts.paths.push_back(raw);
        answers.Accept<CSinogramImportDialog>([](CSinogramImportDialog& d) {
            QCOMPARE(d.findChild<QGroupBox*>()->title(), QStringLiteral("Sinogram Binary Matrix"));
            QCOMPARE(d.TypeBox()->currentText(), QStringLiteral("IEEE Float"));
            QCOMPARE(d.ColumnsEdit()->value(), 10);
            QCOMPARE(d.CountEdit()->value(), 1);
            d.CountEdit()->setValue(2048);
            d.CountEdit()->stepBy(1);  // the arrows stay in 0 to 2048
            QCOMPARE(d.CountEdit()->value(), 2048);
            d.TypeBox()->setCurrentIndex(kInt8);
            d.OffsetEdit()->setValue(16);
            d.CountEdit()->setValue(3);
            QCOMPARE(d.ReadLengthText(), QStringLiteral("316"));
        });
        view->ImportCineAction()->trigger();
        QCOMPARE(prompts.requests.front().filters, QStringList{"Sinogram Raw Files (*.raw)"});
        QCOMPARE(cine->GetCount(), std::size_t(3));
        QCOMPARE(int(cine->GetSlide(2)->GetPixel(9, 9)), int(static_cast<unsigned char>(bytes[315])));
        QCOMPARE(view->Model()->rowCount(), 3);

        // Units 0 is refused with a reason; the dialog is then cancelled.
        {
            test::ScopedMessageBoxes boxes;
            prompts.paths.push_back(raw);
            answers.Accept<CSinogramImportDialog>([](CSinogramImportDialog& d) { d.CountEdit()->setValue(0); });
            view->ImportCineAction()->trigger();
            QCOMPARE(cine->GetCount(), std::size_t(3));
            QVERIFY(!boxes.texts.isEmpty() && boxes.texts.front().contains("Units"));
        }

        // Several raw files: one dialog, linked slides on the full circle.
        const QString a = dir.filePath("a.raw"), b = dir.filePath("b.raw");
        test::WriteBytes(a, QByteArray(64, 'a'));
        test::WriteBytes(b, QByteArray(64, 'b'));
        answers.Accept<CBinaryMatrixImportDialog>([](CBinaryMatrixImportDialog& d) {
            QCOMPARE(d.ColumnsEdit()->value(), 4);  // trunc(sqrt(64 / 4))
            d.TypeBox()->setCurrentIndex(kInt8);
            d.ColumnsEdit()->setValue(8);
            d.RowsEdit()->setValue(8);
        });
        QVERIFY(view->ImportRawFiles({a, b}));
        QCOMPARE(cine->GetCount(), std::size_t(5));
        QVERIFY(cine->GetMember(4)->m_bLinked);
        QVERIFY(QFileInfo::exists(b + ".SLD"));
        // 4 x 360 / 5 degrees (5.0265), read from the cached "%+.2f" source
        // text of the unloaded linked slide.
        QVERIFY(Column(*view->Model(), 1).at(4).startsWith(QStringLiteral("5.02")));
        QVERIFY(!cine->GetMember(4)->m_bLoaded);
    }

    void generateProjectionsOfALinkedCineAsksForTheCollectionFile() {
        CineWorkbench bench;
        QTemporaryDir dir;
        CSlideCollection* cine = NewCine(bench, 0);
        auto* view = CineWorkbench::ViewOf<CSlideCollectionView>(*cine);
        QStringList files;
        for (int k = 0; k < 3; ++k) {
            files << dir.filePath(QStringLiteral("f%1.raw").arg(k));
            test::WriteBytes(files.back(), QByteArray(16, static_cast<char>(100)));
        }
        test::ScopedDialogAnswers answers;
        answers.Accept<CBinaryMatrixImportDialog>([](CBinaryMatrixImportDialog& d) {
            d.TypeBox()->setCurrentIndex(kInt8);
            d.ColumnsEdit()->setValue(4);
            d.RowsEdit()->setValue(4);
        });
        QVERIFY(view->ImportRawFiles(files));
        QVERIFY(cine->GetMember(0)->m_bLinked);
        cine->Save(dir.filePath("ref.sds").toStdString());  // its own reference: all zeros

        test::ScopedFilePrompts prompts;
        prompts.paths = {dir.filePath("ref.sds"), dir.filePath("run.prs")};
        view->GenerateProjectionsAction()->trigger();
        QCOMPARE(prompts.requests.size(), std::size_t(2));
        QCOMPARE(prompts.requests.back().filters, QStringList{"Projection Collection Files (*.prs)"});
        // Staged until the new collection is saved.
        QVERIFY(QFileInfo::exists(dir.filePath("run.prs.2.PRJ.voxmill-new")));
        auto* made = bench.NewestView<CProjectionCollectionView>();
        QVERIFY(made);
        QCOMPARE(QString::fromStdString(made->GetCollection()->GetPathName()), dir.filePath("run.prs"));
        QVERIFY(made->GetCollection()->GetMember(1)->m_bLinked);
        made->GetCollection()->Save(dir.filePath("run.prs").toStdString());
        QVERIFY(QFileInfo::exists(dir.filePath("run.prs.2.PRJ")));
        QVERIFY(!QFileInfo::exists(dir.filePath("run.prs.2.PRJ.voxmill-new")));

        // Cancelling the collection file makes nothing.
        prompts.paths = {dir.filePath("ref.sds")};
        const std::size_t windows = bench.Frames().size();
        view->GenerateProjectionsAction()->trigger();
        QCOMPARE(bench.Frames().size(), windows);
    }

    void cineExportsAndGenerateProjections() {
        CineWorkbench bench;
        QTemporaryDir dir;
        CSlideCollection* cine = NewCine(bench, 3);
        auto* view = CineWorkbench::ViewOf<CSlideCollectionView>(*cine);
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(dir.filePath("cine.raw"));
        view->ExportCineAction()->trigger();
        QCOMPARE(QFileInfo(dir.filePath("cine.raw")).size(), qint64(3 * 16 * 8));
        prompts.paths.push_back(dir.filePath("cine.avi"));
        view->ExportAviAction()->trigger();
        QCOMPARE(prompts.requests.back().filters, QStringList{"AVI Files (*.avi)"});
        QVERIFY(QFileInfo(dir.filePath("cine.avi")).size() > 3 * 16 * 8);

        // A reference of another length: nothing made, the user told.
        CSlideCollection reference;
        reference.OnNewDocument();
        for (int k = 0; k < 2; ++k)
            test::FillSlide(*static_cast<CSlide*>(reference.AddSlide()->m_pElement), 16, 8, 0,
                            [](auto, auto) { return 255; });
        reference.Save(dir.filePath("short.sds").toStdString());
        {
            test::ScopedMessageBoxes boxes;
            prompts.paths.push_back(dir.filePath("short.sds"));
            view->GenerateProjectionsAction()->trigger();
            QCOMPARE(prompts.requests.back().filters, QStringList{"Slide Collection Files (*.sds)"});
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY(!bench.NewestView<CProjectionCollectionView>());
        }
        test::FillSlide(*static_cast<CSlide*>(reference.AddSlide()->m_pElement), 16, 8, 0,
                        [](auto, auto) { return 255; });
        reference.Save(dir.filePath("ref.sds").toStdString());
        prompts.paths.push_back(dir.filePath("ref.sds"));
        view->GenerateProjectionsAction()->trigger();
        auto* made = bench.NewestView<CProjectionCollectionView>();
        QVERIFY(made);
        QCOMPARE(made->GetCollection()->GetCount(), std::size_t(3));
        QCOMPARE(made->GetCollection()->GetProjection(1)->GetPixel(15, 0),
                 static_cast<float>(std::log(256.0 / (40 + 15 + 1))));
        QCOMPARE(made->Model()->rowCount(), 3);
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::CineWindowTest)
#include "CineWindowTest.moc"
