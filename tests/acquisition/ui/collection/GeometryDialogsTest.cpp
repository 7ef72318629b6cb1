// The source position, detector and sinogram import dialogs: presets from
// the core's values, the values they hand back, the live read length and
// what their OK refuses.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "acquisition/Detector.h"
#include "acquisition/Source.h"
#include "acquisition/ui/collection/DetectorDialog.h"
#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "acquisition/ui/collection/SourcePositionDialog.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"
#include "tests/app/ui/UiTestSupport.h"

namespace voxmill {

class GeometryDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void sourcePositionPresetAndValues() {
        CSource source;
        source.SetPosition(CPoint4(1.5, -2, 4));
        CSourcePositionDialog dialog(SourcePositionValues::From(source));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set"));
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("Source Position"));
        QCOMPARE(dialog.Edit(0)->text(), QStringLiteral("1.5"));
        QCOMPARE(dialog.Edit(1)->text(), QStringLiteral("-2"));
        dialog.Edit(2)->setText(QStringLiteral("-7.25"));
        const SourcePositionValues v = dialog.Values();
        QCOMPARE(v.x, 1.5f);
        QCOMPARE(v.y, -2.0f);
        QCOMPARE(v.z, -7.25f);
        CSource target;
        v.ApplyTo(target);
        QCOMPARE(target.GetPosition().z, -7.25);
        QCOMPARE(target.GetPosition().w, 1.0);
    }

    void detectorPresetFromTheCurrentDetector() {
        CDetector detector;
        detector.SetGeometry(CPoint4(0, 0, -4), CDirection4(0, 0, -1), CDirection4(0, 1, 0), 2, 2, 8, 8);
        CDetectorDialog dialog(DetectorPlacementValues::From(detector));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set"));
        QCOMPARE(dialog.Edit(CDetectorDialog::kCenter, 2)->Value(), std::optional<float>(-4.0f));
        QCOMPARE(dialog.Edit(CDetectorDialog::kHorizontal, 2)->Value(), std::optional<float>(-1.0f));
        QCOMPARE(dialog.Edit(CDetectorDialog::kVertical, 1)->Value(), std::optional<float>(1.0f));
        QStringList groups;
        for (auto* g : dialog.findChildren<QGroupBox*>()) groups << g->title();
        QCOMPARE(groups, (QStringList{QStringLiteral("Detector Position"), QStringLiteral("Detector Orientation")}));

        dialog.Edit(CDetectorDialog::kHorizontal, 0)->setText(QStringLiteral("2"));
        const DetectorPlacementValues v = dialog.Values();
        QCOMPARE(v.horizontal[0], 2.0f);
        QCOMPARE(v.center[2], -4.0f);
        QCOMPARE(v.vertical[1], 1.0f);
    }

    void detectorDefaults() {
        CDetectorDialog dialog{DetectorPlacementValues{}};
        const DetectorPlacementValues v = dialog.Values();
        QCOMPARE(v.center[0], 0.0f);
        QCOMPARE(v.horizontal[0], 1.0f);
        QCOMPARE(v.vertical[1], 1.0f);
    }

    void geometryDialogsRefuseText() {
        test::ScopedMessageBoxes boxes;
        CDetectorDialog dialog{DetectorPlacementValues{}};
        dialog.show();
        dialog.Edit(CDetectorDialog::kVertical, 2)->setText(QStringLiteral("up"));
        dialog.accept();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("Please enter a number.")});
        QVERIFY(dialog.isVisible());
        CSourcePositionDialog source{SourcePositionValues{}};
        source.show();
        source.Edit(0)->setText(QString());
        source.accept();
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(source.isVisible());
    }

    void sinogramPresetAndReadLength() {
        CSinogramImportDialog dialog(SinogramImport::ForFileLength(16384), 16384);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Import"));
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("Sinogram Binary Matrix"));
        QCOMPARE(dialog.ColumnsEdit()->value(), 64);
        QCOMPARE(dialog.RowsEdit()->value(), 64);
        QCOMPARE(dialog.CountEdit()->value(), 1);
        QCOMPARE(dialog.FileLengthText(), QStringLiteral("16384"));
        auto* shown = dialog.findChild<QLabel*>(QStringLiteral("readLength"));
        QCOMPARE(shown->text(), QStringLiteral("16384"));
        dialog.CountEdit()->setValue(4);
        QCOMPARE(shown->text(), QStringLiteral("65536"));
        dialog.OffsetEdit()->setValue(12);
        QCOMPARE(shown->text(), QStringLiteral("65548"));
        dialog.TypeBox()->setCurrentIndex(kInt8);
        QCOMPARE(shown->text(), QString::number(4 * 64 * 64 + 12));

        dialog.WidthEdit()->setText(QStringLiteral("3"));
        const SinogramImport v = dialog.Values();
        QCOMPARE(v.count, 4u);
        QCOMPARE(v.matrix.type, std::int32_t(kInt8));
        QCOMPARE(v.matrix.offset, 12u);
        QCOMPARE(v.matrix.dimX, 3.0f);
        QCOMPARE(v.matrix.dimY, 1.0f);
        QCOMPARE(v.ReadLength(), std::uint64_t(4 * 64 * 64 + 12));
    }

    void sinogramRefusesNoProjections() {
        test::ScopedMessageBoxes boxes;
        CSinogramImportDialog dialog(SinogramImport::ForFileLength(16384), 16384);
        dialog.show();
        dialog.CountEdit()->setValue(0);
        dialog.accept();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.front().contains(QStringLiteral("number of projections")));
        QVERIFY(dialog.isVisible());
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::GeometryDialogsTest)
#include "GeometryDialogsTest.moc"
