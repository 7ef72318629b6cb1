#include "renderers/common/ui/RendererPropPageWidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace voxmill {

CRendererPropPageWidget::CRendererPropPageWidget(const CPropertyPageLayout& layout, QWidget* parent)
    : QWidget(parent) {
    new QVBoxLayout(this);
    for (const CPropertyPageLayout::Group& group : layout.groups) createGroup(group);
    static_cast<QVBoxLayout*>(this->layout())->addStretch(1);
}

void CRendererPropPageWidget::createGroup(const CPropertyPageLayout::Group& g) {
    auto* group = new QGroupBox(g.title, this);
    group->setObjectName(g.objectName);
    auto* column = new QVBoxLayout(group);
    if (g.radio.id >= 0) {
        auto* buttons = new QButtonGroup(this);
        for (std::size_t n = 0; n < g.radio.labels.size(); ++n) {
            auto* button = new QRadioButton(g.radio.labels[n], group);
            button->setObjectName(QString("%1%2").arg(g.radio.objectName).arg(n));
            button->setEnabled(n >= g.radio.enabled.size() || g.radio.enabled[n]);
            buttons->addButton(button, static_cast<int>(n));
            column->addWidget(button);
        }
        connect(buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
            if (checked) changed();
        });
        m_radios[g.radio.id] = buttons;
    }
    for (const CPropertyPageLayout::Check& c : g.checks) {
        auto* box = new QCheckBox(c.label, group);
        box->setObjectName(c.objectName);
        column->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this](bool) { changed(); });
        m_checks[c.id] = box;
    }
    if (g.note) {
        auto* note = new QLabel(g.note, group);
        note->setObjectName(QString("%1Note").arg(g.objectName));
        note->setWordWrap(true);
        column->addWidget(note);
    }
    layout()->addWidget(group);
}

void CRendererPropPageWidget::SetValue(DISPID id, LONG value) {
    m_loading = true;
    if (auto radio = m_radios.find(id); radio != m_radios.end()) {
        QButtonGroup* buttons = radio->second;
        if (QAbstractButton* button = buttons->button(value)) {
            button->setChecked(true);
        } else if (QAbstractButton* checked = buttons->checkedButton()) {
            buttons->setExclusive(false);
            checked->setChecked(false);
            buttons->setExclusive(true);
        }
    } else if (auto check = m_checks.find(id); check != m_checks.end()) {
        check->second->setChecked(value != 0);
    }
    m_loading = false;
}

LONG CRendererPropPageWidget::Value(DISPID id) const {
    if (auto radio = m_radios.find(id); radio != m_radios.end()) return radio->second->checkedId();
    if (auto check = m_checks.find(id); check != m_checks.end()) return check->second->isChecked() ? 1 : 0;
    return -1;
}

void CRendererPropPageWidget::changed() {
    if (!m_loading && m_onChange) m_onChange();
}

}  // namespace voxmill
