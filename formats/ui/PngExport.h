// "PNG Image" in a float image window's Export menu: asks for a file
// ("PNG Files (*.png)") and writes the picture the view shows, in its
// colour map, through the grey window once the sliders moved (else the
// image's value range). A failure is shown in a message box and leaves an
// existing file as it was.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "formats/PngImage.h"

class QAction;
class QMenu;

namespace voxmill {

class CImageView;
class CSurface;

// The window and map of the picture `view` shows now.
PictureOptions ViewPictureOptions(const CImageView& view);

class CPngExport : public QObject {
public:
    static constexpr const char* kMenuText = "PNG Image";
    static constexpr const char* kFilter = "PNG Files (*.png)";

    CPngExport(QMenu* exportMenu, CImageView* view, std::function<const CSurface*()> image);

    QAction* Action() const { return m_pAction; }
    // Writes without asking; false after a failure, which was shown.
    bool Export(const QString& path);

private:
    void Prompt();

    CImageView* m_pView;
    std::function<const CSurface*()> m_image;
    QAction* m_pAction;
};

}  // namespace voxmill
