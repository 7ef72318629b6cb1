#include "imaging/ui/BinaryMatrixImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ui/MessageBox.h"
#include "imaging/ui/FloatEdit.h"
#include "imaging/ui/SpinEdit.h"

namespace voxmill {

CBinaryMatrixImportDialog::CBinaryMatrixImportDialog(const BinaryMatrixImport& values, std::uint64_t fileLength,
                                                     QWidget* parent)
    : QDialog(parent), m_preset(values), m_fileLength(fileLength), m_pType(new QComboBox),
      m_pDimX(new CFloatEdit(values.dimX)), m_pDimY(new CFloatEdit(values.dimY)),
      m_pColumns(new CSpinEdit(0, kPixelSpinMax)), m_pRows(new CSpinEdit(0, kPixelSpinMax)),
      m_pOffset(new CSpinEdit(0, kOffsetSpinMax)), m_pFileLength(new QLabel), m_pReadLength(new QLabel) {
    setWindowTitle(QStringLiteral("Import"));
    CreateControls();
    for (int type = 0; type < kBinaryMatrixTypeCount; ++type)
        m_pType->addItem(QString::fromLatin1(BinaryMatrixTypeText(type)));
    m_pType->setCurrentIndex(values.type >= 0 && values.type < kBinaryMatrixTypeCount ? values.type : 0);
    m_pColumns->SetUnsignedValue(values.width);
    m_pRows->SetUnsignedValue(values.height);
    m_pOffset->SetUnsignedValue(values.offset);
    m_pFileLength->setText(FileLengthText());
    UpdateReadLength();
    connect(m_pType, &QComboBox::currentIndexChanged, this, &CBinaryMatrixImportDialog::UpdateReadLength);
    for (CSpinEdit* spin : {m_pColumns, m_pRows, m_pOffset})
        connect(spin, &QSpinBox::valueChanged, this, &CBinaryMatrixImportDialog::UpdateReadLength);
}

void CBinaryMatrixImportDialog::CreateControls() {
    auto* group = new QGroupBox(QStringLiteral("2D Binary Matrix"));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Type"), m_pType);
    form->addRow(QStringLiteral("Width"), m_pDimX);
    form->addRow(QStringLiteral("Height"), m_pDimY);
    form->addRow(QStringLiteral("Pixels"), m_pColumns);
    form->addRow(QStringLiteral("Pixels"), m_pRows);
    form->addRow(QStringLiteral("Offset (bytes)"), m_pOffset);
    form->addRow(QStringLiteral("File length (bytes)"), m_pFileLength);
    form->addRow(QStringLiteral("Read length (bytes)"), m_pReadLength);
    m_pType->setObjectName(QStringLiteral("type"));
    m_pDimX->setObjectName(QStringLiteral("width"));
    m_pDimY->setObjectName(QStringLiteral("height"));
    m_pColumns->setObjectName(QStringLiteral("columns"));
    m_pRows->setObjectName(QStringLiteral("rows"));
    m_pOffset->setObjectName(QStringLiteral("offset"));
    m_pReadLength->setObjectName(QStringLiteral("readLength"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

BinaryMatrixImport CBinaryMatrixImportDialog::Values() const {
    BinaryMatrixImport v = m_preset;
    v.type = m_pType->currentIndex();
    v.dimX = m_pDimX->Value().value_or(m_preset.dimX);
    v.dimY = m_pDimY->Value().value_or(m_preset.dimY);
    v.width = m_pColumns->UnsignedValue();
    v.height = m_pRows->UnsignedValue();
    v.offset = m_pOffset->UnsignedValue();
    return v;
}

QString CBinaryMatrixImportDialog::FileLengthText() const { return QString::number(m_fileLength); }

QString CBinaryMatrixImportDialog::ReadLengthText() const { return QString::number(Values().ReadLength()); }

void CBinaryMatrixImportDialog::UpdateReadLength() { m_pReadLength->setText(ReadLengthText()); }

void CBinaryMatrixImportDialog::accept() {
    if (!AllNumbers(this, {m_pDimX, m_pDimY})) return;
    if (const std::string problem = Values().Problem(); !problem.empty()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("These values cannot be imported: %1.").arg(QString::fromStdString(problem)));
        return;
    }
    QDialog::accept();
}

}  // namespace voxmill
