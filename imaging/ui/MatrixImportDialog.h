// The common body of the raw matrix import dialogs ("Import"): element
// type, physical size, pixel counts, offset and, for the dialogs that read
// several matrices back to back, their number; the file's length and the
// bytes the import will read, recomputed on every change of type, counts,
// offset or number. The dialogs differ only in their group title, their
// labels and the order of their rows, which a layout table gives; OK refuses
// values the import could not use, with the reason. A read length beyond
// the file's is said under it as the values are typed, and refused by OK,
// so that an import stops at this first dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

#include "imaging/BinaryMatrixImport.h"

class QComboBox;
class QLabel;

namespace voxmill {

class CFloatEdit;
class CSpinEdit;

class CMatrixImportDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPixelSpinMax = 2048;
    static constexpr int kOffsetSpinMax = 32767;

    enum class Field { type, dimX, dimY, size, columns, rows, offset, count };
    struct Row {
        QString label;
        Field field;  // `size` is dimX "x" dimY on one row
    };
    struct Layout {
        QString group;
        std::vector<Row> rows;  // file and read length follow
        int countMax = 0;       // range of the count spin; 0: no count
    };

    CMatrixImportDialog(const Layout& layout, const BinaryMatrixImport& values, std::uint32_t count,
                        std::uint64_t fileLength, QWidget* parent = nullptr);

    QString FileLengthText() const;
    QString ReadLengthText() const;
    QLabel* LengthProblemLabel() const { return m_pLengthProblem; }

    QComboBox* TypeBox() const { return m_pType; }
    CFloatEdit* WidthEdit() const { return m_pDimX; }
    CFloatEdit* HeightEdit() const { return m_pDimY; }
    CSpinEdit* ColumnsEdit() const { return m_pColumns; }
    CSpinEdit* RowsEdit() const { return m_pRows; }
    CSpinEdit* OffsetEdit() const { return m_pOffset; }
    // Null without a count row.
    CSpinEdit* CountEdit() const { return m_pCount; }

public slots:
    void accept() override;

protected:
    // What the fields hold now (a size that is not a number keeps its preset).
    BinaryMatrixImport MatrixValues() const;
    std::uint32_t CountValue() const;
    // element size x rows x columns x count + offset.
    std::uint64_t ReadLength() const;
    // Why OK is refused; empty when the values are usable.
    virtual std::string Problem() const;
    // "they read N bytes, the file holds M"; empty when the file is long enough.
    std::string LengthProblem() const;

private:
    void CreateControls(const Layout& layout);
    void UpdateReadLength();

    BinaryMatrixImport m_preset;
    std::uint64_t m_fileLength;
    QComboBox* m_pType;
    CFloatEdit* m_pDimX;
    CFloatEdit* m_pDimY;
    CSpinEdit* m_pColumns;
    CSpinEdit* m_pRows;
    CSpinEdit* m_pOffset;
    CSpinEdit* m_pCount = nullptr;
    QLabel* m_pFileLength;
    QLabel* m_pReadLength;
    QLabel* m_pLengthProblem;
};

}  // namespace voxmill
