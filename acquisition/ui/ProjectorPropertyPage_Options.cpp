#include "acquisition/ui/ProjectorPropertyPage_Options.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "acquisition/Projector.h"

namespace voxmill {
namespace {

QGroupBox* RadioGroup(QWidget* parent, const QString& title, QRadioButton* first, QRadioButton* second) {
    auto* box = new QGroupBox(title);
    auto* column = new QVBoxLayout(box);
    column->addWidget(first);
    column->addWidget(second);
    auto* group = new QButtonGroup(parent);  // exclusive within the box only
    group->addButton(first);
    group->addButton(second);
    return box;
}

}  // namespace

CProjectorPropertyPage_Options::CProjectorPropertyPage_Options(QWidget* parent)
    : QWidget(parent), m_pLinked(new QRadioButton(QStringLiteral("Collection Linked to Projections files"))),
      m_pInPlace(new QRadioButton(QStringLiteral("Projections are In-place (memory hungry)"))),
      m_pOneRay(new QRadioButton(QStringLiteral("One (central) ray per detector pixel only"))),
      m_pFiveRays(new QRadioButton(QStringLiteral("Add four more rays please (a lot slower)"))) {
    auto* column = new QVBoxLayout(this);
    column->addWidget(RadioGroup(this, QStringLiteral("Projection Collectioning"), m_pLinked, m_pInPlace));
    column->addWidget(RadioGroup(this, QStringLiteral("Ray tracing"), m_pOneRay, m_pFiveRays));
    column->addStretch(1);
    for (QRadioButton* button : {m_pLinked, m_pInPlace, m_pOneRay, m_pFiveRays})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) TakeModes();
        });
    ShowModes();
}

void CProjectorPropertyPage_Options::SetProjector(CProjector* projector) {
    m_pProjector = projector;
    ShowModes();
}

void CProjectorPropertyPage_Options::ShowModes() {
    const std::int32_t collection = m_pProjector ? m_pProjector->m_collectionMode : CProjector::kLinkedCollection;
    const std::int32_t rays = m_pProjector ? m_pProjector->m_rayMode : CProjector::kOneRay;
    // Other values than the two known ones check neither button.
    const QSignalBlocker b1(m_pLinked), b2(m_pInPlace), b3(m_pOneRay), b4(m_pFiveRays);
    m_pLinked->setChecked(collection == CProjector::kLinkedCollection);
    m_pInPlace->setChecked(collection == CProjector::kInPlaceCollection);
    m_pOneRay->setChecked(rays == CProjector::kOneRay);
    m_pFiveRays->setChecked(rays == CProjector::kFiveRays);
}

void CProjectorPropertyPage_Options::TakeModes() {
    if (!m_pProjector) return;
    if (m_pLinked->isChecked()) m_pProjector->m_collectionMode = CProjector::kLinkedCollection;
    if (m_pInPlace->isChecked()) m_pProjector->m_collectionMode = CProjector::kInPlaceCollection;
    if (m_pOneRay->isChecked()) m_pProjector->m_rayMode = CProjector::kOneRay;
    if (m_pFiveRays->isChecked()) m_pProjector->m_rayMode = CProjector::kFiveRays;
}

}  // namespace voxmill
