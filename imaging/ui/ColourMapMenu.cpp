#include "imaging/ui/ColourMapMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace voxmill {

CColourMapMenu::CColourMapMenu(QMenu* parent, QAction* before, std::function<void(ColourMapKind)> chosen)
    : QObject(parent), m_pMenu(new QMenu(QStringLiteral("Colour Map"), parent)), m_pGroup(new QActionGroup(this)) {
    for (ColourMapKind kind : {ColourMapKind::grey, ColourMapKind::diverging, ColourMapKind::perceptual}) {
        QAction* action = m_pMenu->addAction(MenuText(kind));
        action->setCheckable(true);
        m_pGroup->addAction(action);
        connect(action, &QAction::triggered, this, [chosen, kind] { chosen(kind); });
        m_actions[static_cast<std::size_t>(kind)] = action;
    }
    Action(ColourMapKind::grey)->setStatusTip(QStringLiteral("Show the image in grey levels"));
    Action(ColourMapKind::diverging)
        ->setStatusTip(QStringLiteral("Show negative values blue and positive ones red, zero white"));
    Action(ColourMapKind::perceptual)->setStatusTip(QStringLiteral("Show the image from dark violet to yellow"));
    Action(ColourMapKind::grey)->setChecked(true);
    if (before)
        parent->insertMenu(before, m_pMenu);
    else
        parent->addMenu(m_pMenu);
}

QString CColourMapMenu::MenuText(ColourMapKind kind) {
    switch (kind) {
        case ColourMapKind::diverging: return QStringLiteral("Diverging");
        case ColourMapKind::perceptual: return QStringLiteral("Perceptual");
        case ColourMapKind::grey: break;
    }
    return QStringLiteral("Grey");
}

void CColourMapMenu::SetChecked(ColourMapKind kind) { Action(kind)->setChecked(true); }

void CColourMapMenu::SetOffered(bool offered) { m_pMenu->menuAction()->setVisible(offered); }

QImage ColourMappedImage(const float* values, std::uint32_t width, std::uint32_t height, ColourMapKind kind, float low,
                         float high) {
    if (!values || width == 0 || height == 0) return {};
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (image.isNull()) return {};
    for (std::uint32_t r = 0; r < height; ++r)
        MapColours(kind, values + static_cast<std::size_t>(r) * width, width, low, high,
                   image.scanLine(static_cast<int>(r)));
    return image;
}

}  // namespace voxmill
