// An unsigned number edit with spin arrows whose arrows stay inside their
// own range while the edit accepts any typed count up to a larger limit,
// so a proposed value above the arrows' range is kept, not clipped.
#pragma once

#include <QSpinBox>
#include <cstdint>

namespace voxmill {

class CSpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit CSpinEdit(int spinLow, int spinHigh, QWidget* parent = nullptr);

    void stepBy(int steps) override;

    std::uint32_t UnsignedValue() const { return static_cast<std::uint32_t>(value()); }
    void SetUnsignedValue(std::uint64_t v);

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_spinLow;
    int m_spinHigh;
};

}  // namespace voxmill
