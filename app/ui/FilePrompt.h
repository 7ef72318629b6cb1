// Every file prompt of the workbench goes through here, so that a test can
// answer it instead of a user (a hook returns the chosen paths, none when
// "cancelled").
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace voxmill {

class CDocTemplate;

struct FilePromptRequest {
    bool open = true;
    bool multiple = false;
    QString title;
    QStringList filters;   // "Phantom Files (*.pha)", ...
    QString defaultSuffix;  // "pha": added to a typed name without one
    QString fileName;       // proposed name or folder
};

using FilePromptHook = std::function<QStringList(const FilePromptRequest& request)>;

FilePromptHook SetFilePromptHook(FilePromptHook hook);

// The chosen paths; empty when the user cancelled.
QStringList PromptForFiles(QWidget* parent, const FilePromptRequest& request);
QString PromptForFile(QWidget* parent, const FilePromptRequest& request);

// The filter of a template ("Phantom Files (*.pha)"), built from its filter
// name and extension; empty for templates without a file type.
QString TemplateFilter(const CDocTemplate& tmpl);
// The extension of a template without the dot, lower case ("pha").
QString TemplateSuffix(const CDocTemplate& tmpl);

// The multi-file prompt: several files of one template's type at once.
QStringList PromptForTemplateFiles(QWidget* parent, const CDocTemplate& tmpl, const QString& title);

}  // namespace voxmill
