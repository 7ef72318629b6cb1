// The projection collection window: the member list with thumbnails and
// the "Angle (rad)" column, opening a member in its projection window, the
// two imports, the sinogram export and the target view.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <cmath>

#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "formats/ui/StackExportMenu.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"
#include "imaging/ui/SpinEdit.h"
#include "tests/acquisition/ui/collection/CollectionUiSupport.h"
#include "tests/imaging/ui/DialogAnswers.h"

namespace voxmill {

using test::ImageWorkbench;

namespace {

// A collection window with `count` in-place members of 8 x 8 pixels on the circle.
CProjectionCollection* NewCollection(ImageWorkbench& bench, int count) {
    auto* collection = bench.New<CProjectionCollection>(130);
    if (!collection) return nullptr;
    for (int i = 0; i < count; ++i) {
        CListElementStub* stub = collection->NewProjection();
        test::FillProjection(*static_cast<CProjection*>(stub->m_pElement), 8, 8, 1000.0f * i);
    }
    collection->ApplyCircularGeometry();
    collection->UpdateAllViews(nullptr);
    return collection;
}

QStringList Column(const QStandardItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) texts << model.item(row, column)->text();
    return texts;
}

}  // namespace

class CollectionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void listsMembersWithTheirAngles() {
        ImageWorkbench bench;
        CProjectionCollection* collection = NewCollection(bench, 4);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);
        QVERIFY(view);
        QStandardItemModel& model = *view->Model();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.headerData(CProjectionCollectionView::kAngleColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Angle (rad)"));
        QCOMPARE(Column(model, CProjectionCollectionView::kAngleColumn),
                 (QStringList{"0.0000", "1.5708", "3.1416", "4.7124"}));
        QCOMPARE(Column(model, CProjectionCollectionView::kDescriptionColumn).at(0), QStringLiteral("+0.00,+0.00,+4.00"));
        for (int row = 0; row < 4; ++row) QVERIFY(!model.item(row)->icon().isNull());

        // Large icons first; details show the angle column, 64 pixels wide.
        QVERIFY(!view->IsDetails());
        QCOMPARE(view->IconView()->viewMode(), QListView::IconMode);
        QCOMPARE(view->IconView()->iconSize(), QSize(64, 64));
        view->SetDetails(true);
        QVERIFY(view->IsDetails());
        QCOMPARE(view->DetailsView()->columnWidth(CProjectionCollectionView::kAngleColumn), 64);
        QStringList menus;
        for (QMenu* menu : view->DocumentMenus()) menus << menu->title();
        QCOMPARE(menus, (QStringList{"Import", "Export", "Projections"}));
    }

    void angleOfLinkedMembersComesFromTheCache() {
        CListElementStub stub;
        stub.m_bLinked = true;
        stub.m_bLoaded = false;
        stub.m_strDescription = "-4.00,+0.00,+0.00";
        QCOMPARE(CProjectionCollectionView::AngleText(stub), QStringLiteral("4.7124"));
        stub.m_strDescription = "+0.00,+0.00,+0.00";  // on the axis: no angle
        QCOMPARE(CProjectionCollectionView::AngleText(stub), QString());
        stub.m_strDescription = "n/a";
        QCOMPARE(CProjectionCollectionView::AngleText(stub), QString());
    }

    void angleComesFromTheFullPrecisionSourceWhileTheMemberHoldsIt() {
        // A run's member at 10 degrees on a radius-4 orbit, written to its
        // file and unloaded: the cached text is rounded to two decimals
        // ("+0.69,+0.00,+3.94", whose angle would read 0.1734), the
        // projection's own source is not.
        QTemporaryDir dir;
        CProjectionCollection collection;
        collection.OnNewDocument();
        CListElementStub* stub = collection.NewProjection();
        auto* projection = static_cast<CProjection*>(stub->m_pElement);
        const double theta = 10.0 * 3.14159265359 / 180.0;
        test::FillProjection(*projection, 4, 4, 1.0f);
        projection->SetSourcePosition(CPoint4(4.0 * std::sin(theta), 0.0, 4.0 * std::cos(theta)));
        QCOMPARE(QString::fromStdString(stub->GetCachedDescription()), QStringLiteral("+0.69,+0.00,+3.94"));
        stub->m_bLinked = true;
        QVERIFY(stub->SetLinkPath(dir.filePath(QStringLiteral("m.prj")).toStdString()));
        stub->Unload();
        QVERIFY(!stub->m_bLoaded);
        QVERIFY(stub->HoldsElementFields());
        QCOMPARE(CProjectionCollectionView::AngleText(*stub), QStringLiteral("0.1745"));

        // Read back from the collection's file, the member is known only by
        // its cached text until it is loaded; loading brings the full value back.
        const std::string path = dir.filePath(QStringLiteral("c.prs")).toStdString();
        collection.Save(path);
        CProjectionCollection reread;
        reread.Open(path);
        CListElementStub* back = reread.GetMember(0);
        QVERIFY(!back->HoldsElementFields());
        QCOMPARE(CProjectionCollectionView::AngleText(*back), QStringLiteral("0.1734"));
        QVERIFY(back->Load());
        back->Unload();
        QCOMPARE(CProjectionCollectionView::AngleText(*back), QStringLiteral("0.1745"));
        reread.DeleteContents();
        collection.DeleteContents();
    }

    void doubleClickOpensTheMember() {
        ImageWorkbench bench;
        CProjectionCollection* collection = NewCollection(bench, 3);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);
        const QModelIndex second = view->Model()->index(1, 0);
        const QRect cell = view->IconView()->visualRect(second);
        QVERIFY(cell.isValid());
        // A double click comes after a click, as from a mouse.
        QTest::mouseClick(view->IconView()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->IconView()->viewport(), Qt::LeftButton, {}, cell.center());

        CProjection* member = collection->GetProjection(1);
        auto* memberView = ImageWorkbench::ViewOf<CProjectionView>(*member);
        QVERIFY(memberView);
        QCOMPARE(memberView->GetProjection(), member);
        // A member has no file of its own: its window is named by its source.
        std::string description;
        member->GetDescription(description);
        QVERIFY(!description.empty());
        QCOMPARE(memberView->FrameTitle(), QStringLiteral("Projection ") + QString::fromStdString(description));
        QVERIFY(memberView->GetBitmap());
        QCOMPARE(bench.Frames().size(), std::size_t(2));
        // Asking again shows the same window.
        QCOMPARE(view->OpenMember(1), ImageWorkbench::FrameOf(*member));
        QCOMPARE(bench.Frames().size(), std::size_t(2));
        QVERIFY(!view->OpenMember(7));

        // The member window closes with its collection; the member is the collection's.
        collection->OnCloseDocument();
        test::FlushDeletes();
        QVERIFY(bench.Frames().empty());
    }

    void sinogramImport() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("sino.raw"));
        test::WriteFloats(raw, 4 * 64 * 64);  // 65536 bytes
        CProjectionCollection* collection = NewCollection(bench, 1);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);

        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(raw);
        test::ScopedDialogAnswers answers;
        answers.Accept<CSinogramImportDialog>([](CSinogramImportDialog& d) {
            QCOMPARE(d.FileLengthText(), QStringLiteral("65536"));
            d.ColumnsEdit()->setValue(64);
            d.RowsEdit()->setValue(64);
            d.CountEdit()->setValue(4);
            QCOMPARE(d.ReadLengthText(), QStringLiteral("65536"));
        });
        view->ImportSinogramAction()->trigger();
        QCOMPARE(prompts.requests.front().filters, QStringList{QStringLiteral("Sinogram Raw Files (*.raw)")});
        QCOMPARE(collection->GetCount(), std::size_t(4));
        QCOMPARE(collection->GetProjection(2)->GetPixel(0, 0), float(2 * 4096));
        QCOMPARE(view->Model()->rowCount(), 4);
        QCOMPARE(Column(*view->Model(), CProjectionCollectionView::kAngleColumn).at(3), QStringLiteral("4.7124"));

        // Cancel leaves the members as they are.
        prompts.paths.push_back(raw);
        answers.Reject();
        view->ImportSinogramAction()->trigger();
        QCOMPARE(collection->GetCount(), std::size_t(4));
    }

    void rawFilesImport() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.raw")), b = dir.filePath(QStringLiteral("b.raw"));
        test::WriteFloats(a, 16 * 16, 1.0f);
        test::WriteFloats(b, 16 * 16, 2.0f);
        CProjectionCollection* collection = NewCollection(bench, 0);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);

        // The multi-file prompt answers with both files at once.
        FilePromptHook previous = SetFilePromptHook([&](const FilePromptRequest& r) {
            return r.multiple ? QStringList{a, b} : QStringList();
        });
        test::ScopedDialogAnswers answers;
        answers.Accept<CBinaryMatrixImportDialog>(
            [](CBinaryMatrixImportDialog& d) { QCOMPARE(d.ColumnsEdit()->value(), 16); });
        view->ImportBinaryMatrixAction()->trigger();
        QCOMPARE(collection->GetCount(), std::size_t(2));
        QVERIFY(collection->GetMember(1)->m_bLinked);
        QVERIFY(QFileInfo::exists(b + QStringLiteral(".PRJ")));
        QCOMPARE(view->Model()->rowCount(), 2);
        QCOMPARE(Column(*view->Model(), CProjectionCollectionView::kAngleColumn),
                 (QStringList{"0.0000", "3.1416"}));

        // Files of unequal length: nothing imported, and the user is told.
        test::WriteFloats(b, 10);
        test::ScopedMessageBoxes boxes;
        view->ImportBinaryMatrixAction()->trigger();
        QCOMPARE(collection->GetCount(), std::size_t(2));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.front().contains(QStringLiteral("differ in length")));
        SetFilePromptHook(std::move(previous));
    }

    void sinogramExport() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        CProjectionCollection* collection = NewCollection(bench, 3);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);
        QVERIFY(view->ExportSinogramAction()->isEnabled());
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(dir.filePath(QStringLiteral("all.raw")));
        view->ExportSinogramAction()->trigger();
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("all.raw"))).size(), qint64(4 * 3 * 8 * 8));

        CProjectionCollection* empty = NewCollection(bench, 0);
        QVERIFY(!ImageWorkbench::ViewOf<CProjectionCollectionView>(*empty)->ExportSinogramAction()->isEnabled());
    }

    void stackExports() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        CProjectionCollection* collection = NewCollection(bench, 3);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);
        QAction* hdf5 = view->StackExports()->Action(StackFormat::hdf5);
        QVERIFY(hdf5->isEnabled());
        QVERIFY(view->StackExports()->Action(StackFormat::tiff)->isEnabled());
        QVERIFY(!view->StackExports()->Action(StackFormat::nrrd));  // a volume format only
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(dir.filePath(QStringLiteral("all")));
        hdf5->trigger();
        QFile file(dir.filePath(QStringLiteral("all.h5")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(8), QByteArray("\x89HDF\r\n\x1a\n", 8));
        QVERIFY(view->StackExports()->Export(StackFormat::tiff, dir.filePath(QStringLiteral("all.tif"))));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("all.tif"))).size() > qint64(4 * 3 * 8 * 8));

        CProjectionCollection* empty = NewCollection(bench, 0);
        QVERIFY(!ImageWorkbench::ViewOf<CProjectionCollectionView>(*empty)->StackExports()->Action(StackFormat::hdf5)->isEnabled());
    }

    void targetShowsTheTargetView() {
        ImageWorkbench bench;
        CProjectionCollection* collection = NewCollection(bench, 2);
        auto* view = ImageWorkbench::ViewOf<CProjectionCollectionView>(*collection);
        QAction* target = nullptr;
        for (QAction* a : view->DocumentMenus().back()->actions())
            if (a->text() == QStringLiteral("Target")) target = a;
        QVERIFY(target);
        target->trigger();
        test::FlushDeletes();
        QVERIFY(ImageWorkbench::ViewOf<CTargetView>(*collection));
        QCOMPARE(collection->GetCount(), std::size_t(2));
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::CollectionWindowTest)
#include "CollectionWindowTest.moc"
