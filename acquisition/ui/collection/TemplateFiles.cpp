#include "acquisition/ui/collection/TemplateFiles.h"

#include <QFileInfo>

#include "app/DocTemplate.h"
#include "app/templates/DocManager.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"

namespace voxmill {
namespace {

struct FileType {
    ImageFileType type;
    const char* filter;
    const char* suffix;
};

constexpr FileType kFileTypes[] = {
    {kBitmapFiles, "Bitmap Files (*.bmp)", "bmp"},
    {kBinaryMatrixFiles, "Binary Matrix Raw Files (*.raw)", "raw"},
    {kDicomFiles, "Dicom 3 Files (*.pap)", "pap"},
    {kSinogramFiles, "Sinogram Raw Files (*.raw)", "raw"},
    {kProjectionFiles, "Projection Files (*.prj)", "prj"},
    {kProjectionCollectionFiles, "Projection Collection Files (*.prs)", "prs"},
    {kSlideFiles, "Slide Files (*.sld)", "sld"},
    {kSlideCollectionFiles, "Slide Collection Files (*.sds)", "sds"},
    {kAviFiles, "AVI Files (*.avi)", "avi"},
};

const FileType& Fallback(ImageFileType type) {
    for (const FileType& t : kFileTypes)
        if (t.type == type) return t;
    return kFileTypes[1];
}

FilePromptRequest Request(QWidget* parent, ImageFileType type, const QString& title, bool open) {
    FilePromptRequest request;
    request.open = open;
    request.title = title;
    request.filters << FileTypeFilter(parent, type);
    request.defaultSuffix = FileTypeSuffix(parent, type);
    return request;
}

}  // namespace

CDocTemplate* FindWorkbenchTemplate(const QWidget* widget, unsigned resourceId) {
    CMainFrame* mainFrame = widget ? CMainFrame::FromWidget(widget) : nullptr;
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

QString FileTypeFilter(const QWidget* widget, ImageFileType type) {
    const CDocTemplate* tmpl = FindWorkbenchTemplate(widget, type);
    const QString filter = tmpl ? TemplateFilter(*tmpl) : QString();
    return filter.isEmpty() ? QString::fromLatin1(Fallback(type).filter) : filter;
}

QString FileTypeSuffix(const QWidget* widget, ImageFileType type) {
    const CDocTemplate* tmpl = FindWorkbenchTemplate(widget, type);
    const QString suffix = tmpl ? TemplateSuffix(*tmpl) : QString();
    return suffix.isEmpty() ? QString::fromLatin1(Fallback(type).suffix) : suffix;
}

QString PromptOpenFile(QWidget* parent, ImageFileType type, const QString& title) {
    return PromptForFile(parent, Request(parent, type, title, true));
}

QStringList PromptOpenFiles(QWidget* parent, ImageFileType type, const QString& title) {
    FilePromptRequest request = Request(parent, type, title, true);
    request.multiple = true;
    return PromptForFiles(parent, request);
}

QString PromptSaveFile(QWidget* parent, ImageFileType type, const QString& title) {
    const FilePromptRequest request = Request(parent, type, title, false);
    QString path = PromptForFile(parent, request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + request.defaultSuffix;
    return path;
}

unsigned long long FileLength(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() ? static_cast<unsigned long long>(info.size()) : 0;
}

}  // namespace voxmill
