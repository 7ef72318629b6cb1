#include "acquisition/ui/ProjectorPropertyPage_Path.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

namespace voxmill {

CProjectorPropertyPage_Path::CProjectorPropertyPage_Path(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("X-ray Source path"), parent), m_pType(new QComboBox),
      m_pDs(NewEdit(QStringLiteral("Source Axis Distance"))), m_pDd(NewEdit(QStringLiteral("Axis Detector Distance"))) {
    m_pType->addItem(QStringLiteral("Circle on X-Z"));
    auto* form = new QFormLayout(this);
    form->addRow(m_pType);
    form->addRow(QStringLiteral("Source Axis Distance"), m_pDs);
    form->addRow(QStringLiteral("Axis Detector Distance"), m_pDd);
    ShowAccepted();
}

void CProjectorPropertyPage_Path::ShowAccepted() {
    m_pType->setCurrentIndex(m_values.pathType);
    m_pDs->setText(Number(m_values.sourceAxisDistance));
    m_pDd->setText(Number(m_values.axisDetectorDistance));
}

bool CProjectorPropertyPage_Path::Validate(QString* message, QWidget** field) {
    SourcePathValues v = m_values;
    v.pathType = std::max(0, m_pType->currentIndex());
    if (!ReadReal(m_pDs, 0, 100, &v.sourceAxisDistance, message)) return *field = m_pDs, false;
    if (!ReadReal(m_pDd, 0, 100, &v.axisDetectorDistance, message)) return *field = m_pDd, false;
    m_values = v;
    return true;
}

}  // namespace voxmill
