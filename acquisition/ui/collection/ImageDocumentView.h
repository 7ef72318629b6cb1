// What the projection and slide windows' views share: the "Import" menu
// with "Binary Matrix", the "Export" menu opening with the raw matrix and
// "Windows Bitmap", a collection member's title named by its source, the
// commands enabled by the document and its pixels, and the export prompt
// that reports a failure. One template serves both image kinds, so a fix
// lands in both windows.
#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <QString>
#include <exception>
#include <functional>
#include <string>

#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/ui/MessageBox.h"

namespace voxmill {

class CObject;
class CView;

// The texts that differ between the two windows.
struct ImageDocumentTexts {
    QString memberTitle;  // "Projection %1": %1 is the member's source
    QString importTip;
    QString exportMatrix;
    QString exportMatrixTip;
};

template <class ViewBase, class Document>
class CImageDocumentView : public ViewBase {
public:
    Document* GetImageDocument() const { return dynamic_cast<Document*>(this->GetDocument()); }

    QList<QMenu*> DocumentMenus() const override {
        return QList<QMenu*>{m_pImportMenu, m_pExportMenu} + m_ownMenus + ViewBase::DocumentMenus();
    }

    QString FrameTitle() const override {
        Document* document = GetImageDocument();
        if (!document || !document->GetTitle().empty()) return ViewBase::FrameTitle();
        // A collection member has no file name of its own: name it by its source.
        std::string description;
        document->GetDescription(description);
        return m_memberTitle.arg(QString::fromStdString(description));
    }

    void OnInitialUpdate() override {
        ViewBase::OnInitialUpdate();
        UpdateCommandState();
    }

    void OnUpdate(CView* sender, long hint, CObject* pHint) override {
        ViewBase::OnUpdate(sender, hint, pHint);
        UpdateCommandState();
    }

    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportBinaryMatrixAction() const { return m_pExportBinaryMatrix; }
    QAction* ExportBitmapAction() const { return m_pExportBitmap; }

    virtual void OnImportBinaryMatrix() = 0;

    void OnExportBinaryMatrix() {
        Export(kBinaryMatrixFiles, [this](const std::string& path) { GetImageDocument()->ExportBinaryMatrix(path); });
    }

    void OnExportBitmap() {
        Export(kBitmapFiles, [this](const std::string& path) { GetImageDocument()->ExportBitmap(path); });
    }

protected:
    CImageDocumentView(QWidget* parent, const ImageDocumentTexts& texts)
        : ViewBase(parent), m_pImportMenu(new QMenu(QStringLiteral("Import"), this)),
          m_pExportMenu(new QMenu(QStringLiteral("Export"), this)), m_memberTitle(texts.memberTitle) {
        m_pImportBinaryMatrix =
            m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this, [this] { OnImportBinaryMatrix(); });
        m_pImportBinaryMatrix->setStatusTip(texts.importTip);
        m_pExportBinaryMatrix = m_pExportMenu->addAction(texts.exportMatrix, this, [this] { OnExportBinaryMatrix(); });
        m_pExportBinaryMatrix->setStatusTip(texts.exportMatrixTip);
        m_pExportBitmap =
            m_pExportMenu->addAction(QStringLiteral("Windows Bitmap"), this, [this] { OnExportBitmap(); });
        m_pExportBitmap->setStatusTip(QStringLiteral("Write the image as an 8-bit grey bitmap"));
        m_pixelCommands = {m_pExportBinaryMatrix, m_pExportBitmap};
    }

    // A menu of the window's own, after "Export".
    void AddMenu(QMenu* menu) { m_ownMenus.append(menu); }
    // Commands added by the window that want pixels to work on.
    void AddPixelCommand(QAction* action) { m_pixelCommands.append(action); }

    void UpdateCommandState() {
        const Document* document = GetImageDocument();
        const bool hasPixels = document && document->HasPixels();
        m_pImportBinaryMatrix->setEnabled(document != nullptr);
        for (QAction* action : m_pixelCommands) action->setEnabled(hasPixels);
    }

    // The raw matrix file to import, empty without a document or on cancel.
    QString PromptImportFile() {
        if (!GetImageDocument()) return QString();
        return PromptOpenFile(this, kBinaryMatrixFiles, QStringLiteral("Import Binary Matrix"));
    }

    void ReportImportFailure(const QString& path, const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot import %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }

    // Asks for the file, runs the export, reports a failure.
    void Export(ImageFileType fileType, const std::function<void(const std::string& path)>& write) {
        const Document* document = GetImageDocument();
        if (!document || !document->HasPixels()) return;
        const QString path = PromptSaveFile(this, fileType, QStringLiteral("Export"));
        if (path.isEmpty()) return;
        try {
            write(path.toStdString());
        } catch (const std::exception& e) {
            ShowMessageBox(this, QMessageBox::Warning,
                           QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
        }
    }

    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportBinaryMatrix = nullptr;
    QAction* m_pExportBitmap = nullptr;

private:
    QString m_memberTitle;
    QList<QMenu*> m_ownMenus;
    QList<QAction*> m_pixelCommands;
};

}  // namespace voxmill
