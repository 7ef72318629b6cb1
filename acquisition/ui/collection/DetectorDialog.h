// The detector dialog ("Set"): the detector's centre ("Detector Position",
// column "Center") and its orientation ("Detector Orientation", the "H
// Vector" and the "V Vector"), single-precision numbers, no range check.
// Size and pixel counts are not asked: they come from the image.
#pragma once

#include <QDialog>
#include <array>

#include "acquisition/GeometryValues.h"

namespace voxmill {

class CFloatEdit;

class CDetectorDialog : public QDialog {
    Q_OBJECT

public:
    enum Group { kCenter = 0, kHorizontal = 1, kVertical = 2 };

    explicit CDetectorDialog(const DetectorPlacementValues& values, QWidget* parent = nullptr);

    DetectorPlacementValues Values() const;
    CFloatEdit* Edit(Group group, int axis) const { return m_edits[static_cast<std::size_t>(3 * group + axis)]; }

public slots:
    void accept() override;

private:
    DetectorPlacementValues m_preset;
    std::array<CFloatEdit*, 9> m_edits{};
};

}  // namespace voxmill
