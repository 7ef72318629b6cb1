#include "formats/ui/PngExport.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <exception>

#include "app/ui/FilePrompt.h"
#include "app/ui/MessageBox.h"
#include "imaging/Surface.h"
#include "imaging/ui/ImageView.h"

namespace voxmill {

PictureOptions ViewPictureOptions(const CImageView& view) {
    PictureOptions options;
    options.map = view.ColourMap();
    if (view.IsWindowed()) {
        options.hasWindow = true;
        options.low = view.WindowLow();
        options.high = view.WindowHigh();
    }
    return options;
}

CPngExport::CPngExport(QMenu* exportMenu, CImageView* view, std::function<const CSurface*()> image)
    : QObject(exportMenu), m_pView(view), m_image(std::move(image)) {
    m_pAction = exportMenu->addAction(QString::fromLatin1(kMenuText), this, [this] { Prompt(); });
    m_pAction->setStatusTip(QStringLiteral("Write the picture as the view shows it as a PNG file"));
}

bool CPngExport::Export(const QString& path) {
    const CSurface* image = m_image();
    if (!image || path.isEmpty()) return false;
    try {
        WritePng(SurfacePicture(*image, ViewPictureOptions(*m_pView)), path.toStdString());
        return true;
    } catch (const std::exception& e) {
        ShowMessageBox(m_pView, QMessageBox::Warning,
                       QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
    return false;
}

void CPngExport::Prompt() {
    const CSurface* image = m_image();
    if (!image || !image->HasPixels()) return;
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Export");
    request.filters << QString::fromLatin1(kFilter);
    request.defaultSuffix = QStringLiteral("png");
    QString path = PromptForFile(m_pView, request);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    Export(path);
}

}  // namespace voxmill
