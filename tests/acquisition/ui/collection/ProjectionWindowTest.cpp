// The projection window: its menus, the raw-matrix import through its
// three dialogs (values reach the core; Cancel changes nothing; a file too
// short stops it at the first) and the three exports, also when they fail.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "acquisition/ui/collection/DetectorDialog.h"
#include "acquisition/ui/collection/SourcePositionDialog.h"
#include "formats/ui/PngExport.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"
#include "tests/acquisition/ui/collection/CollectionUiSupport.h"
#include "tests/imaging/ui/DialogAnswers.h"

namespace voxmill {

using test::ImageWorkbench;

class ProjectionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowAndMenus() {
        ImageWorkbench bench;
        auto* projection = bench.New<CProjection>(129);
        QVERIFY(projection);
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);
        QVERIFY(view);
        QVERIFY(dynamic_cast<CSurfaceChildFrame*>(ImageWorkbench::FrameOf(*projection)));
        QStringList titles;
        for (QMenu* menu : view->DocumentMenus()) titles << menu->title();
        QCOMPARE(titles, (QStringList{"Import", "Export", "Image"}));
        QCOMPARE(view->ImportBinaryMatrixAction()->text(), QStringLiteral("Binary Matrix"));
        QCOMPARE(view->ExportBinaryMatrixAction()->text(), QStringLiteral("Binary Matrix (IEEE Float)"));
        QCOMPARE(view->ExportBitmapAction()->text(), QStringLiteral("Windows Bitmap"));
        QCOMPARE(view->ExportDicomAction()->text(), QStringLiteral("DICOM 3"));
        QCOMPARE(view->PngExport()->Action()->text(), QStringLiteral("PNG Image"));
        QCOMPARE(view->ImportBinaryMatrixAction()->statusTip(),
                 QStringLiteral("Import a raw matrix file with its geometry"));
        QCOMPARE(view->ExportBinaryMatrixAction()->statusTip(),
                 QStringLiteral("Write the pixels as a raw matrix of floats"));
        // Nothing to export yet.
        QVERIFY(!view->ExportBinaryMatrixAction()->isEnabled());
        QVERIFY(!view->PngExport()->Action()->isEnabled());
        QVERIFY(view->ImportBinaryMatrixAction()->isEnabled());
    }

    void importThroughTheThreeDialogs() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("scan.raw"));
        test::WriteFloats(raw, 4096);  // 16384 bytes
        auto* projection = bench.New<CProjection>(129);
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);

        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(raw);
        test::ScopedDialogAnswers answers;
        answers.Accept<CBinaryMatrixImportDialog>([](CBinaryMatrixImportDialog& d) {
            QCOMPARE(d.FileLengthText(), QStringLiteral("16384"));
            QCOMPARE(d.ColumnsEdit()->value(), 64);  // a square float image proposed
            d.ColumnsEdit()->setValue(128);
            d.RowsEdit()->setValue(32);
            d.WidthEdit()->setText(QStringLiteral("4"));
            d.HeightEdit()->setText(QStringLiteral("1"));
        });
        answers.Accept<CSourcePositionDialog>([](CSourcePositionDialog& d) { d.Edit(2)->setText(QStringLiteral("6")); });
        answers.Accept<CDetectorDialog>(
            [](CDetectorDialog& d) { d.Edit(CDetectorDialog::kCenter, 2)->setText(QStringLiteral("-3")); });
        view->ImportBinaryMatrixAction()->trigger();

        QCOMPARE(answers.seen.size(), std::size_t(3));
        QCOMPARE(prompts.requests.front().filters, QStringList{QStringLiteral("Binary Matrix Raw Files (*.raw)")});
        QVERIFY(projection->HasPixels());
        QCOMPARE(projection->GetWidth(), 128u);
        QCOMPARE(projection->GetHeight(), 32u);
        QCOMPARE(projection->GetDimX(), 4.0);
        QCOMPARE(projection->GetPixel(5, 1), 133.0f);
        QCOMPARE(projection->GetSource().GetPosition().z, 6.0);
        QCOMPARE(projection->GetDetector().GetCenter().z, -3.0);
        QCOMPARE(projection->GetDetector().GetWidth(), 128);
        QCOMPARE(projection->GetDetector().GetDimX(), 4.0);
        // The view rebuilt its picture at 100 %.
        QVERIFY(view->GetBitmap());
        QCOMPARE(view->Layout().imageRect.Width(), 128);
        QVERIFY(view->ExportBinaryMatrixAction()->isEnabled());
        QCOMPARE(projection->GetPathName(), std::string());  // still not a .prj of that name
    }

    void cancelInAnyDialogChangesNothing() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("scan.raw"));
        test::WriteFloats(raw, 4096);
        auto* projection = bench.New<CProjection>(129);
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);
        for (int cancelAt = 0; cancelAt < 3; ++cancelAt) {
            test::ScopedFilePrompts prompts;
            prompts.paths.push_back(raw);
            test::ScopedDialogAnswers answers;
            for (int i = 0; i < 3; ++i)
                if (i == cancelAt)
                    answers.Reject();
                else
                    answers.Then([](QDialog&) { return true; });
            view->ImportBinaryMatrixAction()->trigger();
            QCOMPARE(answers.seen.size(), std::size_t(cancelAt + 1));
            QVERIFY(!projection->HasPixels());
            QCOMPARE(projection->GetSource().GetPosition().z, 0.0);
            QCOMPARE(projection->GetDetector().GetWidth(), 64);
        }
        // Cancel in the file prompt: no dialog at all.
        test::ScopedFilePrompts none;
        test::ScopedDialogAnswers answers;
        view->ImportBinaryMatrixAction()->trigger();
        QVERIFY(answers.seen.empty());
    }

    void aShortFileStopsTheImportAtTheFirstDialog() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        const QString raw = dir.filePath(QStringLiteral("short.raw"));
        test::WriteFloats(raw, 100);
        auto* projection = bench.New<CProjection>(129);
        QVERIFY(test::FillProjection(*projection, 4, 4, 0));
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);
        test::ScopedMessageBoxes boxes;
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(raw);
        test::ScopedDialogAnswers answers;
        answers.Accept<CBinaryMatrixImportDialog>([](CBinaryMatrixImportDialog& d) {
            d.ColumnsEdit()->setValue(20);
            // Said under the read length as soon as it is typed.
            QVERIFY(d.LengthProblemLabel()->isVisibleTo(&d));
        });
        answers.Accept<CSourcePositionDialog>([](CSourcePositionDialog& d) { d.Edit(0)->setText(QStringLiteral("9")); });
        answers.Accept<CDetectorDialog>();
        view->ImportBinaryMatrixAction()->trigger();
        // OK was refused with the figures; no further dialog came.
        QCOMPARE(answers.seen.size(), std::size_t(1));
        QCOMPARE(boxes.texts,
                 QStringList{"These values cannot be imported: they read 800 bytes, the file holds 400."});
        QCOMPARE(projection->GetWidth(), 4u);
        QCOMPARE(projection->GetSource().GetPosition().x, 0.0);
    }

    void exports() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        auto* projection = bench.New<CProjection>(129);
        QVERIFY(test::FillProjection(*projection, 5, 3, 1));
        projection->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);
        QVERIFY(view->ExportBitmapAction()->isEnabled());

        test::ScopedFilePrompts prompts;
        prompts.paths = {dir.filePath(QStringLiteral("p")), dir.filePath(QStringLiteral("p.bmp")),
                         dir.filePath(QStringLiteral("p.pap"))};
        view->ExportBinaryMatrixAction()->trigger();
        view->ExportBitmapAction()->trigger();
        view->ExportDicomAction()->trigger();
        QCOMPARE(prompts.requests.size(), std::size_t(3));
        QVERIFY(!prompts.requests[0].open);
        QCOMPARE(prompts.requests[1].filters, QStringList{QStringLiteral("Bitmap Files (*.bmp)")});
        QCOMPARE(prompts.requests[2].filters, QStringList{QStringLiteral("Dicom 3 Files (*.pap)")});
        // A name typed without extension gets the type's.
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("p.raw"))).size(), qint64(4 * 5 * 3));
        CDib bitmap;
        QVERIFY(bitmap.ReadFile(dir.filePath(QStringLiteral("p.bmp")).toStdString()));
        QCOMPARE(bitmap.GetWidth(), 8);
        QCOMPARE(bitmap.GetHeight(), 3);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("p.pap"))).size() > 2 * 5 * 3);
    }

    void failedExportSaysWhy() {
        ImageWorkbench bench;
        QTemporaryDir dir;
        auto* projection = bench.New<CProjection>(129);
        QVERIFY(test::FillProjection(*projection, 4, 4, 0));
        projection->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
        auto* view = ImageWorkbench::ViewOf<CProjectionView>(*projection);
        test::ScopedMessageBoxes boxes;
        test::ScopedFilePrompts prompts;
        prompts.paths.push_back(dir.filePath(QStringLiteral("missing/folder/p.raw")));
        view->ExportBinaryMatrixAction()->trigger();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.front().startsWith(QStringLiteral("Cannot export to")));
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::ProjectionWindowTest)
#include "ProjectionWindowTest.moc"
