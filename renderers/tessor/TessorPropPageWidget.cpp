#include "renderers/tessor/TessorPropPageWidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace voxmill {

CTessorPropPageWidget::CTessorPropPageWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("TessorPropPage");
    new QVBoxLayout(this);
    createInterpolationGroup();
    createOtherGroup();
    static_cast<QVBoxLayout*>(layout())->addStretch(1);
}

void CTessorPropPageWidget::createInterpolationGroup() {
    auto* group = new QGroupBox("Interpolation quality", this);
    group->setObjectName("interpolationGroup");
    auto* column = new QVBoxLayout(group);
    m_modes = new QButtonGroup(this);
    const char* labels[] = {"Low (Nearest Neighbour)", "High (Bilinear)", "Very High (Bicubic)"};
    for (int mode = 0; mode < 3; ++mode) {
        auto* button = new QRadioButton(labels[mode], group);
        button->setObjectName(QString("interpolationMode%1").arg(mode));
        // The backprojection samples the nearest cell whatever the mode.
        button->setEnabled(mode == 0);
        m_modes->addButton(button, mode);
        column->addWidget(button);
    }
    connect(m_modes, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) changed();
    });
    layout()->addWidget(group);
}

void CTessorPropPageWidget::createOtherGroup() {
    auto* group = new QGroupBox("Other", this);
    group->setObjectName("otherGroup");
    auto* column = new QVBoxLayout(group);
    m_processCollection = new QCheckBox("Process Projection Collection (a bit faster)", group);
    m_processCollection->setObjectName("processCollection");
    column->addWidget(m_processCollection);
    connect(m_processCollection, &QCheckBox::toggled, this, [this](bool) { changed(); });
    layout()->addWidget(group);
}

void CTessorPropPageWidget::SetValues(short interpolationMode, bool processCollection) {
    m_loading = true;
    if (QAbstractButton* button = m_modes->button(interpolationMode)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = m_modes->checkedButton()) {
        m_modes->setExclusive(false);
        checked->setChecked(false);
        m_modes->setExclusive(true);
    }
    m_processCollection->setChecked(processCollection);
    m_loading = false;
}

short CTessorPropPageWidget::InterpolationMode() const { return static_cast<short>(m_modes->checkedId()); }

bool CTessorPropPageWidget::IsProcessCollection() const { return m_processCollection->isChecked(); }

void CTessorPropPageWidget::changed() {
    if (!m_loading && m_onChange) m_onChange();
}

}  // namespace voxmill
