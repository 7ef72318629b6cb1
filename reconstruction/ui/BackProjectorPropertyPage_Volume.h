// The backprojector's "Volume geometry" page: the shape combo (its one
// item "Parallelepiped"; every volume is a box whatever it says) and, in
// the groups "X Axis", "Y Axis" and "Z Axis", the edits "Dimension" (world
// units, any number) and "Pixel number" (a non-negative integer), 2 and 64
// to begin with.
//
// The page keeps the values it accepted when it was last checked. A field
// that does not parse is refused with the standard message ("Please enter
// a number.", "Please enter a positive integer.") and the accepted values
// stay. Values that parse but make no volume (a zero count, an extent not
// above zero, more voxels than the memory available holds) pass here:
// Render refuses them before anything is allocated. Below the groups the
// page shows, as the counts are typed, the memory the volume will need and
// what the machine has available.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "reconstruction/BackProjector.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace voxmill {

class CBackProjectorPropertyPage_Volume : public QWidget {
    Q_OBJECT

public:
    enum Axis { kX, kY, kZ };

    explicit CBackProjectorPropertyPage_Volume(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("Volume geometry"); }
    static QString NumberMessage() { return QStringLiteral("Please enter a number."); }
    static QString CountMessage() { return QStringLiteral("Please enter a positive integer."); }

    // Checks every field; true (and the values accepted) when all parse,
    // else false with the message and the field to correct.
    bool Validate(QString* message, QWidget** field);
    // The values last accepted.
    const CBackProjector::VolumeSize& Values() const { return m_values; }
    int Shape() const { return m_shape; }
    // Puts the accepted values back into the fields.
    void ShowAccepted();

    QComboBox* ShapeBox() const { return m_pShape; }
    QLineEdit* Dimension(Axis axis) const { return m_dimension[axis]; }
    QLineEdit* PixelNumber(Axis axis) const { return m_pixels[axis]; }
    QLabel* MemoryLabel() const { return m_pMemory; }
    // "Memory: 1.0 MiB needed, 21.4 GiB available" for the counts typed now.
    QString MemoryText() const;

signals:
    // The user typed into a field or picked a shape.
    void edited();

private:
    QWidget* CreateAxisGroup(Axis axis, const QString& title);
    void UpdateMemory();

    QComboBox* m_pShape;
    std::array<QLineEdit*, 3> m_dimension{};
    std::array<QLineEdit*, 3> m_pixels{};
    QLabel* m_pMemory;
    CBackProjector::VolumeSize m_values;
    int m_shape = 0;
};

}  // namespace voxmill
