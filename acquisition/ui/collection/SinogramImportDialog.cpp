#include "acquisition/ui/collection/SinogramImportDialog.h"

#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CMatrixImportDialog::Layout CSinogramImportDialog::LayoutOf(Kind kind) {
    if (kind == Kind::cine) {
        Layout layout = CBinaryMatrixImportDialog::MatrixLayout();
        layout.group = QStringLiteral("Sinogram Binary Matrix");
        layout.rows.push_back({QStringLiteral("Units"), Field::count});
        layout.countMax = kUnitsSpinMax;
        return layout;
    }
    return {QStringLiteral("Sinogram Binary Matrix"),
            {{QStringLiteral("Type"), Field::type},
             {QStringLiteral("Width"), Field::columns},
             {QStringLiteral("Height"), Field::rows},
             {QStringLiteral("Offset (bytes)"), Field::offset},
             {QStringLiteral("Projections"), Field::count},
             {QStringLiteral("Units"), Field::size}},
            kCountSpinMax};
}

CSinogramImportDialog::CSinogramImportDialog(const SinogramImport& values, std::uint64_t fileLength, QWidget* parent,
                                             Kind kind)
    : CMatrixImportDialog(LayoutOf(kind), values.matrix, values.count, fileLength, parent), m_kind(kind) {}

std::string CSinogramImportDialog::Problem() const {
    if (m_kind == Kind::cine && CountValue() == 0) return "the number of frames (Units) must be positive";
    return Values().Problem();
}

}  // namespace voxmill
