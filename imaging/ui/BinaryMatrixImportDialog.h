// The 2-D binary matrix import dialog ("Import", group "2D Binary Matrix"),
// shared by the float and the 8-bit image imports: element type, physical
// size, pixel counts and offset of a headerless matrix file, with the
// file's length and the bytes the import will read.
#pragma once

#include "imaging/ui/MatrixImportDialog.h"

namespace voxmill {

class CBinaryMatrixImportDialog : public CMatrixImportDialog {
    Q_OBJECT

public:
    CBinaryMatrixImportDialog(const BinaryMatrixImport& values, std::uint64_t fileLength, QWidget* parent = nullptr);

    BinaryMatrixImport Values() const { return MatrixValues(); }

    // The rows of the "2D Binary Matrix" group; other dialogs add to them.
    static Layout MatrixLayout();
};

}  // namespace voxmill
