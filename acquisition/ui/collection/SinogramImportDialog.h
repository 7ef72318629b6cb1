// The import dialogs of raw files holding several equally sized matrices
// back to back after an offset: the sinogram import of projection
// collections (group "Sinogram Binary Matrix": element type, pixel counts,
// offset, number of projections and the physical size as "Units") and the
// cine import of slide collections (the 2-D binary matrix rows plus "Units",
// the number of frames, 0 to 2048). Both hand back SinogramImport values.
#pragma once

#include "acquisition/SinogramImport.h"
#include "imaging/ui/MatrixImportDialog.h"

namespace voxmill {

class CSinogramImportDialog : public CMatrixImportDialog {
    Q_OBJECT

public:
    enum class Kind { sinogram, cine };
    static constexpr int kCountSpinMax = 32767;
    static constexpr int kUnitsSpinMax = 2048;

    CSinogramImportDialog(const SinogramImport& values, std::uint64_t fileLength, QWidget* parent = nullptr,
                          Kind kind = Kind::sinogram);

    SinogramImport Values() const { return {MatrixValues(), CountValue()}; }

    static Layout LayoutOf(Kind kind);

protected:
    std::string Problem() const override;

private:
    Kind m_kind;
};

}  // namespace voxmill
