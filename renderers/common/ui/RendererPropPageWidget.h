// The widget of a renderer property page, built from a layout: one group
// box per group with its radio buttons and check boxes, each named as the
// layout says.
#pragma once

#include <functional>
#include <map>

#include <QWidget>

#include "renderers/common/ui/PropertyPageLayout.h"

class QButtonGroup;
class QCheckBox;

namespace voxmill {

class CRendererPropPageWidget : public QWidget {
public:
    CRendererPropPageWidget(const CPropertyPageLayout& layout, QWidget* parent);

    // Shows a property's value; a radio value without a button checks none.
    void SetValue(DISPID id, LONG value);
    // The shown value: the checked radio's index (-1 when none) or 0/1.
    LONG Value(DISPID id) const;

    // Called whenever the user changes a value.
    void SetChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }

private:
    void createGroup(const CPropertyPageLayout::Group& group);
    void changed();

    std::map<DISPID, QButtonGroup*> m_radios;
    std::map<DISPID, QCheckBox*> m_checks;
    std::function<void()> m_onChange;
    bool m_loading = false;
};

}  // namespace voxmill
