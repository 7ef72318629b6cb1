#include "acquisition/ui/collection/DetectorDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "imaging/ui/FloatEdit.h"

namespace voxmill {
namespace {

float* Field(DetectorPlacementValues& v, int group) {
    return group == CDetectorDialog::kCenter ? v.center : group == CDetectorDialog::kHorizontal ? v.horizontal
                                                                                                : v.vertical;
}

}  // namespace

CDetectorDialog::CDetectorDialog(const DetectorPlacementValues& values, QWidget* parent)
    : QDialog(parent), m_preset(values) {
    setWindowTitle(QStringLiteral("Set"));
    const char* groupNames[3] = {"center", "horizontal", "vertical"};
    for (int group = 0; group < 3; ++group) {
        const float* preset = Field(m_preset, group);
        for (int axis = 0; axis < 3; ++axis) {
            auto* edit = new CFloatEdit(preset[axis]);
            edit->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(groupNames[group])).arg(QChar(u"XYZ"[axis])));
            m_edits[static_cast<std::size_t>(3 * group + axis)] = edit;
        }
    }

    auto* position = new QGroupBox(QStringLiteral("Detector Position"));
    auto* positionGrid = new QGridLayout(position);
    positionGrid->addWidget(new QLabel(QStringLiteral("Center")), 0, 1);
    auto* orientation = new QGroupBox(QStringLiteral("Detector Orientation"));
    auto* orientationGrid = new QGridLayout(orientation);
    orientationGrid->addWidget(new QLabel(QStringLiteral("H Vector")), 0, 1);
    orientationGrid->addWidget(new QLabel(QStringLiteral("V Vector")), 0, 2);
    const char* axisNames[3] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis) {
        positionGrid->addWidget(new QLabel(QString::fromLatin1(axisNames[axis])), axis + 1, 0);
        positionGrid->addWidget(Edit(kCenter, axis), axis + 1, 1);
        orientationGrid->addWidget(new QLabel(QString::fromLatin1(axisNames[axis]).toLower()), axis + 1, 0);
        orientationGrid->addWidget(Edit(kHorizontal, axis), axis + 1, 1);
        orientationGrid->addWidget(Edit(kVertical, axis), axis + 1, 2);
    }

    auto* groups = new QHBoxLayout;
    groups->addWidget(position);
    groups->addWidget(orientation);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);
}

DetectorPlacementValues CDetectorDialog::Values() const {
    DetectorPlacementValues v = m_preset;
    for (int group = 0; group < 3; ++group) {
        float* field = Field(v, group);
        for (int axis = 0; axis < 3; ++axis)
            field[axis] = Edit(static_cast<Group>(group), axis)->Value().value_or(field[axis]);
    }
    return v;
}

void CDetectorDialog::accept() {
    if (AllNumbers(this, {m_edits.begin(), m_edits.end()})) QDialog::accept();
}

}  // namespace voxmill
