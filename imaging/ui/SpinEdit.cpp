#include "imaging/ui/SpinEdit.h"

#include <algorithm>
#include <climits>

namespace voxmill {

CSpinEdit::CSpinEdit(int spinLow, int spinHigh, QWidget* parent)
    : QSpinBox(parent), m_spinLow(spinLow), m_spinHigh(spinHigh) {
    setRange(0, INT_MAX);
    setAccelerated(true);
}

void CSpinEdit::SetUnsignedValue(std::uint64_t v) { setValue(static_cast<int>(std::min<std::uint64_t>(v, INT_MAX))); }

void CSpinEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(next, m_spinLow, std::max(m_spinHigh, m_spinLow))));
    selectAll();
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < m_spinHigh) enabled |= StepUpEnabled;
    if (value() > m_spinLow) enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace voxmill
