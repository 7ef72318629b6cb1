#include "app/ui/FilePrompt.h"

#include <QFileDialog>

#include "app/DocTemplate.h"

namespace voxmill {
namespace {

FilePromptHook& Hook() {
    static FilePromptHook hook;
    return hook;
}

}  // namespace

FilePromptHook SetFilePromptHook(FilePromptHook hook) {
    FilePromptHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

QStringList PromptForFiles(QWidget* parent, const FilePromptRequest& request) {
    if (Hook()) return Hook()(request);
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? (request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile)
                                    : QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString PromptForFile(QWidget* parent, const FilePromptRequest& request) {
    const QStringList files = PromptForFiles(parent, request);
    return files.isEmpty() ? QString() : files.front();
}

QString TemplateSuffix(const CDocTemplate& tmpl) {
    QString ext = QString::fromStdString(tmpl.GetDocString(CDocTemplate::filterExt)).toLower();
    if (ext.startsWith('.')) ext.remove(0, 1);
    return ext;
}

QString TemplateFilter(const CDocTemplate& tmpl) {
    const QString name = QString::fromStdString(tmpl.GetDocString(CDocTemplate::filterName));
    if (name.isEmpty()) return {};
    // The name carries its pattern already ("Phantom Files (*.pha)");
    // add one from the extension when it does not.
    if (name.contains('(')) return name;
    return QStringLiteral("%1 (*.%2)").arg(name, TemplateSuffix(tmpl));
}

QStringList PromptForTemplateFiles(QWidget* parent, const CDocTemplate& tmpl, const QString& title) {
    FilePromptRequest request;
    request.open = true;
    request.multiple = true;
    request.title = title;
    const QString name = QString::fromStdString(tmpl.GetDocString(CDocTemplate::filterName));
    request.filters << QStringLiteral("%1 (*.%2)").arg(name.section(" (", 0, 0), TemplateSuffix(tmpl));
    return PromptForFiles(parent, request);
}

}  // namespace voxmill
