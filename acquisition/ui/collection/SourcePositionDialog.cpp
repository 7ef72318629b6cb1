#include "acquisition/ui/collection/SourcePositionDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "imaging/ui/FloatEdit.h"

namespace voxmill {

CSourcePositionDialog::CSourcePositionDialog(const SourcePositionValues& values, QWidget* parent)
    : QDialog(parent), m_preset(values) {
    setWindowTitle(QStringLiteral("Set"));
    auto* group = new QGroupBox(QStringLiteral("Source Position"));
    auto* form = new QFormLayout(group);
    const float preset[3] = {values.x, values.y, values.z};
    const char* names[3] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis) {
        m_edits[static_cast<std::size_t>(axis)] = new CFloatEdit(preset[axis]);
        m_edits[static_cast<std::size_t>(axis)]->setObjectName(QString::fromLatin1(names[axis]).toLower());
        form->addRow(QString::fromLatin1(names[axis]), m_edits[static_cast<std::size_t>(axis)]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

SourcePositionValues CSourcePositionDialog::Values() const {
    SourcePositionValues v = m_preset;
    v.x = m_edits[0]->Value().value_or(m_preset.x);
    v.y = m_edits[1]->Value().value_or(m_preset.y);
    v.z = m_edits[2]->Value().value_or(m_preset.z);
    return v;
}

void CSourcePositionDialog::accept() {
    if (AllNumbers(this, {m_edits.begin(), m_edits.end()})) QDialog::accept();
}

}  // namespace voxmill
