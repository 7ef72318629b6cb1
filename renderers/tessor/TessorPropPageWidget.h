// The widget of the Tessor property page: a group "Interpolation quality"
// with one radio button per mode (only the first can be chosen on this
// renderer) and a group "Other" with the collection-mode check box.
#pragma once

#include <functional>

#include <QWidget>

class QButtonGroup;
class QCheckBox;

namespace voxmill {

class CTessorPropPageWidget : public QWidget {
public:
    explicit CTessorPropPageWidget(QWidget* parent);

    // Shows the control's values; a mode without a button checks none.
    void SetValues(short interpolationMode, bool processCollection);
    // The checked mode's index, or -1 when none is checked.
    short InterpolationMode() const;
    bool IsProcessCollection() const;

    // Called whenever the user changes a value.
    void SetChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }

private:
    void createInterpolationGroup();
    void createOtherGroup();
    void changed();

    QButtonGroup* m_modes = nullptr;
    QCheckBox* m_processCollection = nullptr;
    std::function<void()> m_onChange;
    bool m_loading = false;
};

}  // namespace voxmill
