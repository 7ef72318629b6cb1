#include "reconstruction/ui/BackProjectorPropertyPage_Renderer.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace voxmill {

CBackProjectorPropertyPage_Renderer::CBackProjectorPropertyPage_Renderer(QWidget* parent)
    : QWidget(parent), m_pControlName(new QLabel(NotAvailable())), m_pFileName(new QLabel(NotAvailable())),
      m_pSelect(new QPushButton(QStringLiteral("Select Renderer..."))) {
    auto* group = new QGroupBox(QStringLiteral("Renderer Information"));
    auto* grid = new QGridLayout(group);
    m_pControlName->setObjectName(QStringLiteral("controlName"));
    m_pFileName->setObjectName(QStringLiteral("fileName"));
    for (QLabel* value : {m_pControlName, m_pFileName}) {
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(220);
    }
    grid->addWidget(new QLabel(QStringLiteral("ActiveX Control:")), 0, 0);
    grid->addWidget(m_pControlName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("OCX File Name:")), 1, 0);
    grid->addWidget(m_pFileName, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* column = new QVBoxLayout(this);
    column->addWidget(group);
    column->addWidget(m_pSelect, 0, Qt::AlignRight);
    column->addStretch(1);
    connect(m_pSelect, &QPushButton::clicked, this, &CBackProjectorPropertyPage_Renderer::selectRenderer);
}

void CBackProjectorPropertyPage_Renderer::SetRenderer(const QString& userType, const QString& modulePath) {
    m_pControlName->setText(userType.isEmpty() ? NotAvailable() : userType);
    m_pFileName->setText(modulePath.isEmpty() ? NotAvailable() : QFileInfo(modulePath).fileName());
    m_pFileName->setToolTip(modulePath);
}

}  // namespace voxmill
