// A single-precision number edit for dialog fields. It keeps the text the
// user typed; Value() tells whether that text is a number.
#pragma once

#include <QLineEdit>
#include <optional>
#include <vector>

namespace voxmill {

class CFloatEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CFloatEdit(float value = 0.0f, QWidget* parent = nullptr);

    void SetValue(float value);
    // The number typed, or nothing when the text is not a finite number.
    std::optional<float> Value() const;
};

// The check of a dialog's OK: true when every edit holds a number;
// otherwise says "Please enter a number.", puts the focus on the first
// that does not, and returns false.
bool AllNumbers(QWidget* dialog, const std::vector<CFloatEdit*>& edits);

}  // namespace voxmill
