#include "app/ui/DocumentCommands.h"

#include <QFileInfo>

#include "app/DocTemplate.h"
#include "app/Document.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MessageBox.h"

namespace voxmill {
namespace {

QString TitleOf(const CDocument& doc) {
    return doc.GetTitle().empty() ? QStringLiteral("Untitled") : QString::fromStdString(doc.GetTitle());
}

}  // namespace

bool DoSave(QWidget* parent, CDocument& doc) {
    if (doc.GetPathName().empty()) return DoSaveAs(parent, doc);
    return doc.OnSaveDocument(doc.GetPathName());
}

bool DoSaveAs(QWidget* parent, CDocument& doc) {
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Save As");
    if (const CDocTemplate* tmpl = doc.GetDocTemplate()) {
        const QString filter = TemplateFilter(*tmpl);
        if (!filter.isEmpty()) request.filters << filter;
        request.defaultSuffix = TemplateSuffix(*tmpl);
    }
    request.filters << QStringLiteral("All Files (*)");
    request.fileName = doc.GetPathName().empty() ? TitleOf(doc) : QString::fromStdString(doc.GetPathName());
    QString path = PromptForFile(parent, request);
    if (path.isEmpty()) return false;
    if (!request.defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + request.defaultSuffix;
    return doc.OnSaveDocument(path.toStdString());
}

bool SaveModified(QWidget* parent, CDocument& doc, bool allowCancel) {
    if (!doc.IsModified()) return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (allowCancel) buttons |= QMessageBox::Cancel;
    const auto answer = ShowMessageBox(parent, QMessageBox::Question,
                                       QStringLiteral("Save changes to %1?").arg(TitleOf(doc)), buttons,
                                       QMessageBox::Yes);
    if (answer == QMessageBox::Yes) return DoSave(parent, doc) || !allowCancel;
    if (answer == QMessageBox::No) return true;
    return !allowCancel;
}

}  // namespace voxmill
