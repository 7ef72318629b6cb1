// The "Colour Map" submenu of an image view ("Grey", "Diverging",
// "Perceptual", one checked) and the colour picture it asks for. The
// choice changes only what the view shows: the grey bitmap, the data and
// every export stay as they were.
#pragma once

#include <QImage>
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>

#include "imaging/ColourMap.h"

class QAction;
class QActionGroup;
class QMenu;

namespace voxmill {

class CColourMapMenu : public QObject {
public:
    // Adds the submenu to `parent` before `before` (at the end when null);
    // `chosen` runs when the user picks a map.
    CColourMapMenu(QMenu* parent, QAction* before, std::function<void(ColourMapKind)> chosen);

    QMenu* Menu() const { return m_pMenu; }
    QAction* Action(ColourMapKind kind) const { return m_actions[static_cast<std::size_t>(kind)]; }
    void SetChecked(ColourMapKind kind);
    // Shows or hides the submenu (the 8-bit view shows grey only).
    void SetOffered(bool offered);

    static QString MenuText(ColourMapKind kind);

private:
    QMenu* m_pMenu;
    QActionGroup* m_pGroup;
    std::array<QAction*, kColourMapCount> m_actions{};
};

// width x height values (row 0 the top) through the map and [low, high] as
// an RGB picture; null for an empty image.
QImage ColourMappedImage(const float* values, std::uint32_t width, std::uint32_t height, ColourMapKind kind, float low,
                         float high);

}  // namespace voxmill
