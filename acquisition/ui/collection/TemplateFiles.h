// File prompts of the projection and collection windows in the file types
// of the application's templates ("Binary Matrix Raw Files (*.raw)" from
// template 140, ...), with the texts of those templates as the fallback
// when a window runs outside a workbench.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace voxmill {

class CDocTemplate;

// The templates whose file types the import and export commands use.
enum ImageFileType : unsigned {
    kBitmapFiles = 144,
    kBinaryMatrixFiles = 140,
    kDicomFiles = 149,
    kSinogramFiles = 141,
    kProjectionFiles = 129,
    kProjectionCollectionFiles = 130,
    kSlideFiles = 147,
    kSlideCollectionFiles = 146,
    kAviFiles = 152,
};

// The workbench's template of that number, or null outside one.
CDocTemplate* FindWorkbenchTemplate(const QWidget* widget, unsigned resourceId);
// "Binary Matrix Raw Files (*.raw)" and "raw" for a file type.
QString FileTypeFilter(const QWidget* widget, ImageFileType type);
QString FileTypeSuffix(const QWidget* widget, ImageFileType type);

// One existing file, several existing files, or a file to write (the
// type's extension added to a name typed without one); empty on cancel.
QString PromptOpenFile(QWidget* parent, ImageFileType type, const QString& title);
QStringList PromptOpenFiles(QWidget* parent, ImageFileType type, const QString& title);
QString PromptSaveFile(QWidget* parent, ImageFileType type, const QString& title);

// The length of a file in bytes, 0 when it cannot be read.
unsigned long long FileLength(const QString& path);

}  // namespace voxmill
