// The 2-D binary matrix import dialog ("Import", group "2D Binary Matrix"),
// shared by the float and the 8-bit image imports: element type, physical
// size, pixel counts and offset of a headerless matrix file. It shows the
// file's length and, recomputed on every change of type, pixel counts or
// offset, the bytes the import will read. It gathers the values only; OK
// refuses values the import could not use, with the reason.
#pragma once

#include <QDialog>
#include <cstdint>

#include "imaging/BinaryMatrixImport.h"

class QComboBox;
class QLabel;

namespace voxmill {

class CFloatEdit;
class CSpinEdit;

class CBinaryMatrixImportDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPixelSpinMax = 2048;
    static constexpr int kOffsetSpinMax = 32767;

    CBinaryMatrixImportDialog(const BinaryMatrixImport& values, std::uint64_t fileLength, QWidget* parent = nullptr);

    // What the fields hold now (a field that is not a number keeps its preset).
    BinaryMatrixImport Values() const;
    QString FileLengthText() const;
    QString ReadLengthText() const;

    QComboBox* TypeBox() const { return m_pType; }
    CFloatEdit* WidthEdit() const { return m_pDimX; }
    CFloatEdit* HeightEdit() const { return m_pDimY; }
    CSpinEdit* ColumnsEdit() const { return m_pColumns; }
    CSpinEdit* RowsEdit() const { return m_pRows; }
    CSpinEdit* OffsetEdit() const { return m_pOffset; }

public slots:
    void accept() override;

private:
    void CreateControls();
    void UpdateReadLength();

    BinaryMatrixImport m_preset;
    std::uint64_t m_fileLength;
    QComboBox* m_pType;
    CFloatEdit* m_pDimX;
    CFloatEdit* m_pDimY;
    CSpinEdit* m_pColumns;
    CSpinEdit* m_pRows;
    CSpinEdit* m_pOffset;
    QLabel* m_pFileLength;
    QLabel* m_pReadLength;
};

}  // namespace voxmill
