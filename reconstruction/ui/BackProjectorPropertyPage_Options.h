// The backprojector's "General Options" page: empty. The renderer's own
// options come on the pages it lists, after the Renderer page.
#pragma once

#include <QString>
#include <QWidget>

namespace voxmill {

class CBackProjectorPropertyPage_Options : public QWidget {
    Q_OBJECT

public:
    explicit CBackProjectorPropertyPage_Options(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("General Options"); }
};

}  // namespace voxmill
