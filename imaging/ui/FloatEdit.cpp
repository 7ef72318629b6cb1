#include "imaging/ui/FloatEdit.h"

#include <cmath>

#include "app/ui/MessageBox.h"

namespace voxmill {

CFloatEdit::CFloatEdit(float value, QWidget* parent) : QLineEdit(parent) {
    SetValue(value);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-0000.0000")));
}

void CFloatEdit::SetValue(float value) {
    // The shortest text that reads back as the same float.
    QString text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = QString::number(static_cast<double>(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value) break;
    }
    setText(text);
}

std::optional<float> CFloatEdit::Value() const {
    bool ok = false;
    const double v = text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 3.4028234e38) return std::nullopt;
    return static_cast<float>(v);
}

bool AllNumbers(QWidget* dialog, const std::vector<CFloatEdit*>& edits) {
    for (CFloatEdit* edit : edits) {
        if (edit->Value()) continue;
        ShowMessageBox(dialog, QMessageBox::Warning, QStringLiteral("Please enter a number."));
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    return true;
}

}  // namespace voxmill
