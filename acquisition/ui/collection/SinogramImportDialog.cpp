#include "acquisition/ui/collection/SinogramImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ui/MessageBox.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"

namespace voxmill {

CSinogramImportDialog::CSinogramImportDialog(const SinogramImport& values, std::uint64_t fileLength, QWidget* parent)
    : QDialog(parent), m_preset(values), m_fileLength(fileLength), m_pType(new QComboBox),
      m_pColumns(new CSpinEdit(0, kPixelSpinMax)), m_pRows(new CSpinEdit(0, kPixelSpinMax)),
      m_pOffset(new CSpinEdit(0, kOffsetSpinMax)), m_pCount(new CSpinEdit(0, kCountSpinMax)),
      m_pDimX(new CFloatEdit(values.matrix.dimX)), m_pDimY(new CFloatEdit(values.matrix.dimY)),
      m_pFileLength(new QLabel), m_pReadLength(new QLabel) {
    setWindowTitle(QStringLiteral("Import"));
    CreateControls();
    for (int type = 0; type < kBinaryMatrixTypeCount; ++type)
        m_pType->addItem(QString::fromLatin1(BinaryMatrixTypeText(type)));
    const std::int32_t type = values.matrix.type;
    m_pType->setCurrentIndex(type >= 0 && type < kBinaryMatrixTypeCount ? type : 0);
    m_pColumns->SetUnsignedValue(values.matrix.width);
    m_pRows->SetUnsignedValue(values.matrix.height);
    m_pOffset->SetUnsignedValue(values.matrix.offset);
    m_pCount->SetUnsignedValue(values.count);
    m_pFileLength->setText(FileLengthText());
    UpdateReadLength();
    connect(m_pType, &QComboBox::currentIndexChanged, this, &CSinogramImportDialog::UpdateReadLength);
    for (CSpinEdit* spin : {m_pColumns, m_pRows, m_pOffset, m_pCount})
        connect(spin, &QSpinBox::valueChanged, this, &CSinogramImportDialog::UpdateReadLength);
}

void CSinogramImportDialog::CreateControls() {
    auto* group = new QGroupBox(QStringLiteral("Sinogram Binary Matrix"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Type"), m_pType);
    form->addRow(QStringLiteral("Width"), m_pColumns);
    form->addRow(QStringLiteral("Height"), m_pRows);
    form->addRow(QStringLiteral("Offset (bytes)"), m_pOffset);
    form->addRow(QStringLiteral("Projections"), m_pCount);
    auto* units = new QHBoxLayout;
    units->addWidget(m_pDimX);
    units->addWidget(new QLabel(QStringLiteral("x")));
    units->addWidget(m_pDimY);
    form->addRow(QStringLiteral("Units"), units);
    form->addRow(QStringLiteral("File length (bytes)"), m_pFileLength);
    form->addRow(QStringLiteral("Read length (bytes)"), m_pReadLength);
    m_pType->setObjectName(QStringLiteral("type"));
    m_pColumns->setObjectName(QStringLiteral("columns"));
    m_pRows->setObjectName(QStringLiteral("rows"));
    m_pOffset->setObjectName(QStringLiteral("offset"));
    m_pCount->setObjectName(QStringLiteral("count"));
    m_pDimX->setObjectName(QStringLiteral("width"));
    m_pDimY->setObjectName(QStringLiteral("height"));
    m_pReadLength->setObjectName(QStringLiteral("readLength"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

SinogramImport CSinogramImportDialog::Values() const {
    SinogramImport v = m_preset;
    v.matrix.type = m_pType->currentIndex();
    v.matrix.width = m_pColumns->UnsignedValue();
    v.matrix.height = m_pRows->UnsignedValue();
    v.matrix.offset = m_pOffset->UnsignedValue();
    v.matrix.dimX = m_pDimX->Value().value_or(m_preset.matrix.dimX);
    v.matrix.dimY = m_pDimY->Value().value_or(m_preset.matrix.dimY);
    v.count = m_pCount->UnsignedValue();
    return v;
}

QString CSinogramImportDialog::FileLengthText() const { return QString::number(m_fileLength); }

QString CSinogramImportDialog::ReadLengthText() const { return QString::number(Values().ReadLength()); }

void CSinogramImportDialog::UpdateReadLength() { m_pReadLength->setText(ReadLengthText()); }

void CSinogramImportDialog::accept() {
    if (!AllNumbers(this, {m_pDimX, m_pDimY})) return;
    if (const std::string problem = Values().Problem(); !problem.empty()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("These values cannot be imported: %1.").arg(QString::fromStdString(problem)));
        return;
    }
    QDialog::accept();
}

}  // namespace voxmill
