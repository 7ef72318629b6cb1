// The source position dialog ("Set", group "Source Position"): the X, Y
// and Z of the X-ray source as single-precision numbers, no range check.
#pragma once

#include <QDialog>
#include <array>

#include "acquisition/GeometryValues.h"

namespace voxmill {

class CFloatEdit;

class CSourcePositionDialog : public QDialog {
    Q_OBJECT

public:
    explicit CSourcePositionDialog(const SourcePositionValues& values, QWidget* parent = nullptr);

    SourcePositionValues Values() const;
    CFloatEdit* Edit(int axis) const { return m_edits[static_cast<std::size_t>(axis)]; }

public slots:
    void accept() override;

private:
    SourcePositionValues m_preset;
    std::array<CFloatEdit*, 3> m_edits{};
};

}  // namespace voxmill
