// The sinogram import dialog ("Import", group "Sinogram Binary Matrix"):
// one raw file holding a number of equally sized matrices back to back
// after an offset. Element type, pixel counts, offset, number of
// projections and the physical size ("Units"); it shows the file's length
// and, recomputed on every change of type, counts or offset, the bytes the
// import will read. OK refuses values the import could not use.
#pragma once

#include <QDialog>
#include <cstdint>

#include "acquisition/SinogramImport.h"

class QComboBox;
class QLabel;

namespace voxmill {

class CFloatEdit;
class CSpinEdit;

class CSinogramImportDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPixelSpinMax = 2048;
    static constexpr int kOffsetSpinMax = 32767;
    static constexpr int kCountSpinMax = 32767;

    CSinogramImportDialog(const SinogramImport& values, std::uint64_t fileLength, QWidget* parent = nullptr);

    SinogramImport Values() const;
    QString FileLengthText() const;
    QString ReadLengthText() const;

    QComboBox* TypeBox() const { return m_pType; }
    CSpinEdit* ColumnsEdit() const { return m_pColumns; }
    CSpinEdit* RowsEdit() const { return m_pRows; }
    CSpinEdit* OffsetEdit() const { return m_pOffset; }
    CSpinEdit* CountEdit() const { return m_pCount; }
    CFloatEdit* WidthEdit() const { return m_pDimX; }
    CFloatEdit* HeightEdit() const { return m_pDimY; }

public slots:
    void accept() override;

private:
    void CreateControls();
    void UpdateReadLength();

    SinogramImport m_preset;
    std::uint64_t m_fileLength;
    QComboBox* m_pType;
    CSpinEdit* m_pColumns;
    CSpinEdit* m_pRows;
    CSpinEdit* m_pOffset;
    CSpinEdit* m_pCount;
    CFloatEdit* m_pDimX;
    CFloatEdit* m_pDimY;
    QLabel* m_pFileLength;
    QLabel* m_pReadLength;
};

}  // namespace voxmill
