#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CMatrixImportDialog::Layout CBinaryMatrixImportDialog::MatrixLayout() {
    return {QStringLiteral("2D Binary Matrix"),
            {{QStringLiteral("Type"), Field::type},
             {QStringLiteral("Width"), Field::dimX},
             {QStringLiteral("Height"), Field::dimY},
             {QStringLiteral("Pixels"), Field::columns},
             {QStringLiteral("Pixels"), Field::rows},
             {QStringLiteral("Offset (bytes)"), Field::offset}},
            0};
}

CBinaryMatrixImportDialog::CBinaryMatrixImportDialog(const BinaryMatrixImport& values, std::uint64_t fileLength,
                                                     QWidget* parent)
    : CMatrixImportDialog(MatrixLayout(), values, 1, fileLength, parent) {}

}  // namespace voxmill
