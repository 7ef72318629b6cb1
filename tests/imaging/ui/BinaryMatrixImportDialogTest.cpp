// The 2-D binary matrix import dialog: presets, the live read length, the
// values it hands over, and what its OK refuses.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "imaging/ui/BinaryMatrixImportDialog.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"
#include "tests/app/ui/UiTestSupport.h"

namespace voxmill {

class BinaryMatrixImportDialogTest : public QObject {
    Q_OBJECT

private slots:
    void presetsForAFile() {
        CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(16384), 16384);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Import"));
        QVERIFY(dialog.findChild<QGroupBox*>()->title() == QStringLiteral("2D Binary Matrix"));
        QCOMPARE(dialog.TypeBox()->count(), 6);
        QCOMPARE(dialog.TypeBox()->itemText(3), QStringLiteral("16 bit Integer"));
        QCOMPARE(dialog.TypeBox()->currentIndex(), 0);
        QCOMPARE(dialog.ColumnsEdit()->value(), 64);
        QCOMPARE(dialog.RowsEdit()->value(), 64);
        QCOMPARE(dialog.OffsetEdit()->value(), 0);
        QCOMPARE(dialog.WidthEdit()->text(), QStringLiteral("1"));
        QCOMPARE(dialog.FileLengthText(), QStringLiteral("16384"));
        QCOMPARE(dialog.ReadLengthText(), QStringLiteral("16384"));
    }

    void readLengthFollowsTheFields() {
        CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(16384), 16384);
        auto* shown = dialog.findChild<QLabel*>(QStringLiteral("readLength"));
        QVERIFY(shown);
        dialog.TypeBox()->setCurrentIndex(kIeeeDouble);
        QCOMPARE(shown->text(), QStringLiteral("32768"));
        dialog.OffsetEdit()->setValue(10);
        QCOMPARE(shown->text(), QStringLiteral("32778"));
        dialog.ColumnsEdit()->setValue(32);
        QCOMPARE(shown->text(), QStringLiteral("16394"));
        dialog.TypeBox()->setCurrentIndex(kInt16);
        QCOMPARE(shown->text(), QString::number(2 * 32 * 64 + 10));
        dialog.RowsEdit()->setValue(0);
        QCOMPARE(shown->text(), QStringLiteral("10"));
    }

    void valuesReachTheCaller() {
        BinaryMatrixImport preset;
        preset.width = 5;
        preset.height = 3;
        CBinaryMatrixImportDialog dialog(preset, 60);
        dialog.TypeBox()->setCurrentIndex(kInt32);
        dialog.WidthEdit()->setText(QStringLiteral("2.5"));
        dialog.HeightEdit()->setText(QStringLiteral("0.75"));
        dialog.OffsetEdit()->setValue(8);
        const BinaryMatrixImport v = dialog.Values();
        QCOMPARE(v.type, std::int32_t(kInt32));
        QCOMPARE(v.ElementSize(), std::uint8_t(4));
        QCOMPARE(v.dimX, 2.5f);
        QCOMPARE(v.dimY, 0.75f);
        QCOMPARE(v.width, 5u);
        QCOMPARE(v.height, 3u);
        QCOMPARE(v.offset, 8u);
    }

    void largeProposalsAreKept() {
        // A 4096 x 4096 float file: more than the spin arrows reach.
        const std::uint64_t length = 4096ull * 4096 * 4;
        CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(length), length);
        QCOMPARE(dialog.Values().width, 4096u);
        QCOMPARE(dialog.ReadLengthText(), QString::number(length));
        dialog.ColumnsEdit()->stepBy(1);  // the arrows stay in 0 to 2048
        QCOMPARE(dialog.Values().width, 2048u);
    }

    void okRefusesUnusableValues() {
        test::ScopedMessageBoxes boxes;
        CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(16384), 16384);
        dialog.show();
        dialog.WidthEdit()->setText(QStringLiteral("wide"));
        dialog.accept();
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.front(), QStringLiteral("Please enter a number."));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.isVisible());

        dialog.WidthEdit()->SetValue(1.0f);
        dialog.ColumnsEdit()->setValue(0);
        dialog.accept();
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts.back().contains(QStringLiteral("must both be positive")));
        QVERIFY(dialog.isVisible());

        dialog.ColumnsEdit()->setValue(64);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(boxes.texts.size(), 2);
    }

    void aReadLengthBeyondTheFileIsSaidAsTypedAndRefused() {
        test::ScopedMessageBoxes boxes;
        CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(16384), 16384);
        dialog.show();
        QVERIFY(!dialog.LengthProblemLabel()->isVisible());
        dialog.OffsetEdit()->setValue(1);  // one byte past the end
        QVERIFY(dialog.LengthProblemLabel()->isVisible());
        QCOMPARE(dialog.LengthProblemLabel()->text(),
                 QStringLiteral("The file is too short for these values: they read 16385 bytes, the file holds 16384."));
        // A picture for a person to look at, when a folder for it is given.
        if (const QByteArray shots = qgetenv("VOXMILL_SHOTS"); !shots.isEmpty())
            dialog.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/import-too-short.png"));
        dialog.accept();
        QCOMPARE(boxes.texts, QStringList{"These values cannot be imported: they read 16385 bytes, the file holds 16384."});
        QVERIFY(dialog.isVisible());

        // 8-bit elements read a quarter as much: the same counts fit again.
        dialog.TypeBox()->setCurrentIndex(kInt8);
        QVERIFY(!dialog.LengthProblemLabel()->isVisible());
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(boxes.texts.size(), 1);
    }
};

}  // namespace voxmill

QTEST_MAIN(voxmill::BinaryMatrixImportDialogTest)
#include "BinaryMatrixImportDialogTest.moc"
