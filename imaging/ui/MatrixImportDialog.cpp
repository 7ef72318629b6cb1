#include "imaging/ui/MatrixImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/archive/CheckedSize.h"
#include "app/ui/MessageBox.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"

namespace voxmill {

CMatrixImportDialog::CMatrixImportDialog(const Layout& layout, const BinaryMatrixImport& values, std::uint32_t count,
                                         std::uint64_t fileLength, QWidget* parent)
    : QDialog(parent), m_preset(values), m_fileLength(fileLength), m_pType(new QComboBox),
      m_pDimX(new CFloatEdit(values.dimX)), m_pDimY(new CFloatEdit(values.dimY)),
      m_pColumns(new CSpinEdit(0, kPixelSpinMax)), m_pRows(new CSpinEdit(0, kPixelSpinMax)),
      m_pOffset(new CSpinEdit(0, kOffsetSpinMax)), m_pFileLength(new QLabel), m_pReadLength(new QLabel),
      m_pLengthProblem(new QLabel) {
    if (layout.countMax > 0) m_pCount = new CSpinEdit(0, layout.countMax);
    setWindowTitle(QStringLiteral("Import"));
    CreateControls(layout);
    for (int type = 0; type < kBinaryMatrixTypeCount; ++type)
        m_pType->addItem(QString::fromLatin1(BinaryMatrixTypeText(type)));
    m_pType->setCurrentIndex(values.type >= 0 && values.type < kBinaryMatrixTypeCount ? values.type : 0);
    m_pColumns->SetUnsignedValue(values.width);
    m_pRows->SetUnsignedValue(values.height);
    m_pOffset->SetUnsignedValue(values.offset);
    if (m_pCount) m_pCount->SetUnsignedValue(count);
    m_pFileLength->setText(FileLengthText());
    UpdateReadLength();
    connect(m_pType, &QComboBox::currentIndexChanged, this, &CMatrixImportDialog::UpdateReadLength);
    for (CSpinEdit* spin : {m_pColumns, m_pRows, m_pOffset, m_pCount})
        if (spin) connect(spin, &QSpinBox::valueChanged, this, &CMatrixImportDialog::UpdateReadLength);
}

void CMatrixImportDialog::CreateControls(const Layout& layout) {
    auto* group = new QGroupBox(layout.group);
    auto* form = new QFormLayout(group);
    for (const Row& row : layout.rows) {
        switch (row.field) {
            case Field::type: form->addRow(row.label, m_pType); break;
            case Field::dimX: form->addRow(row.label, m_pDimX); break;
            case Field::dimY: form->addRow(row.label, m_pDimY); break;
            case Field::columns: form->addRow(row.label, m_pColumns); break;
            case Field::rows: form->addRow(row.label, m_pRows); break;
            case Field::offset: form->addRow(row.label, m_pOffset); break;
            case Field::count:
                if (m_pCount) form->addRow(row.label, m_pCount);
                break;
            case Field::size: {
                auto* size = new QHBoxLayout;
                size->addWidget(m_pDimX);
                size->addWidget(new QLabel(QStringLiteral("x")));
                size->addWidget(m_pDimY);
                form->addRow(row.label, size);
                break;
            }
        }
    }
    form->addRow(QStringLiteral("File length (bytes)"), m_pFileLength);
    form->addRow(QStringLiteral("Read length (bytes)"), m_pReadLength);
    form->addRow(m_pLengthProblem);
    m_pLengthProblem->setObjectName(QStringLiteral("lengthProblem"));
    m_pLengthProblem->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_pLengthProblem->setWordWrap(true);
    m_pType->setObjectName(QStringLiteral("type"));
    m_pDimX->setObjectName(QStringLiteral("width"));
    m_pDimY->setObjectName(QStringLiteral("height"));
    m_pColumns->setObjectName(QStringLiteral("columns"));
    m_pRows->setObjectName(QStringLiteral("rows"));
    m_pOffset->setObjectName(QStringLiteral("offset"));
    if (m_pCount) m_pCount->setObjectName(QStringLiteral("count"));
    m_pReadLength->setObjectName(QStringLiteral("readLength"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(group);
    box->addWidget(buttons);
}

BinaryMatrixImport CMatrixImportDialog::MatrixValues() const {
    BinaryMatrixImport v = m_preset;
    v.type = m_pType->currentIndex();
    v.dimX = m_pDimX->Value().value_or(m_preset.dimX);
    v.dimY = m_pDimY->Value().value_or(m_preset.dimY);
    v.width = m_pColumns->UnsignedValue();
    v.height = m_pRows->UnsignedValue();
    v.offset = m_pOffset->UnsignedValue();
    return v;
}

std::uint32_t CMatrixImportDialog::CountValue() const { return m_pCount ? m_pCount->UnsignedValue() : 1; }

std::uint64_t CMatrixImportDialog::ReadLength() const {
    const BinaryMatrixImport v = MatrixValues();
    return v.MatrixBytes() * CountValue() + v.offset;
}

std::string CMatrixImportDialog::LengthProblem() const {
    const BinaryMatrixImport v = MatrixValues();
    // Saturated: a product past 64 bits reads as more than any file holds.
    const std::uint64_t read = CheckedSum(SaturatedProduct({v.MatrixBytes(), CountValue()}), v.offset).value_or(UINT64_MAX);
    if (read <= m_fileLength) return {};
    return "they read " + std::to_string(read) + " bytes, the file holds " + std::to_string(m_fileLength);
}

std::string CMatrixImportDialog::Problem() const {
    if (m_pCount && CountValue() == 0) return "the number of matrices must be positive";
    return MatrixValues().Problem();
}

QString CMatrixImportDialog::FileLengthText() const { return QString::number(m_fileLength); }

QString CMatrixImportDialog::ReadLengthText() const { return QString::number(ReadLength()); }

void CMatrixImportDialog::UpdateReadLength() {
    m_pReadLength->setText(ReadLengthText());
    const std::string problem = LengthProblem();
    m_pLengthProblem->setText(problem.empty() ? QString()
                                              : QStringLiteral("The file is too short for these values: %1.")
                                                    .arg(QString::fromStdString(problem)));
    if (m_pLengthProblem->isVisibleTo(this) == problem.empty()) {
        m_pLengthProblem->setVisible(!problem.empty());
        // Room for the line now, not at the next layout pass.
        if (layout()) layout()->activate();
        if (isVisible()) resize(width(), std::max(height(), heightForWidth(width())));
    }
}

void CMatrixImportDialog::accept() {
    if (!AllNumbers(this, {m_pDimX, m_pDimY})) return;
    std::string problem = Problem();
    // Stopped here, before any further dialog, when the file cannot hold what is to be read.
    if (problem.empty()) problem = LengthProblem();
    if (!problem.empty()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("These values cannot be imported: %1.").arg(QString::fromStdString(problem)));
        return;
    }
    QDialog::accept();
}

}  // namespace voxmill
