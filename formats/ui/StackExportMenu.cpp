#include "formats/ui/StackExportMenu.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include "app/ui/FilePrompt.h"
#include "app/ui/MessageBox.h"

namespace voxmill {

CStackExportMenu::CStackExportMenu(QMenu* menu, QWidget* owner, QString noun, std::vector<Entry> entries)
    : QObject(owner), m_pOwner(owner), m_noun(std::move(noun)), m_entries(std::move(entries)) {
    menu->addSeparator();
    for (const Entry& e : m_entries) {
        QAction* action = menu->addAction(MenuText(e.format));
        const StackFormat format = e.format;
        connect(action, &QAction::triggered, this, [this, format] { Prompt(format); });
        m_actions.push_back(action);
    }
}

QString CStackExportMenu::MenuText(StackFormat format) {
    switch (format) {
    case StackFormat::hdf5: return QStringLiteral("HDF5");
    case StackFormat::tiff: return QStringLiteral("TIFF Stack (32-bit Float)");
    case StackFormat::metaImage: return QStringLiteral("MetaImage");
    case StackFormat::nrrd: return QStringLiteral("NRRD");
    case StackFormat::pngMontage: return QStringLiteral("PNG Montage");
    }
    return {};
}

QString CStackExportMenu::Filter(StackFormat format) {
    switch (format) {
    case StackFormat::hdf5: return QStringLiteral("HDF5 Files (*.h5 *.hdf5)");
    case StackFormat::tiff: return QStringLiteral("TIFF Files (*.tif *.tiff)");
    case StackFormat::metaImage: return QStringLiteral("MetaImage Files (*.mha)");
    case StackFormat::nrrd: return QStringLiteral("NRRD Files (*.nrrd)");
    case StackFormat::pngMontage: return QStringLiteral("PNG Files (*.png)");
    }
    return {};
}

QString CStackExportMenu::Suffix(StackFormat format) {
    switch (format) {
    case StackFormat::hdf5: return QStringLiteral("h5");
    case StackFormat::tiff: return QStringLiteral("tif");
    case StackFormat::metaImage: return QStringLiteral("mha");
    case StackFormat::nrrd: return QStringLiteral("nrrd");
    case StackFormat::pngMontage: return QStringLiteral("png");
    }
    return {};
}

QAction* CStackExportMenu::Action(StackFormat format) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].format == format) return m_actions[i];
    return nullptr;
}

void CStackExportMenu::SetEnabled(bool enabled) {
    for (QAction* a : m_actions) a->setEnabled(enabled);
}

bool CStackExportMenu::Export(StackFormat format, const QString& path) {
    for (const Entry& e : m_entries) {
        if (e.format != format) continue;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            e.write(path.toStdString());
            QApplication::restoreOverrideCursor();
            return true;
        } catch (const std::exception& ex) {
            QApplication::restoreOverrideCursor();
            ShowMessageBox(m_pOwner, QMessageBox::Warning,
                           QStringLiteral("The %1 could not be exported to %2:\n%3")
                               .arg(m_noun, path, QString::fromLocal8Bit(ex.what())));
            return false;
        }
    }
    return false;
}

void CStackExportMenu::Prompt(StackFormat format) {
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Export");
    request.filters << Filter(format);
    request.defaultSuffix = Suffix(format);
    QString path = PromptForFile(m_pOwner, request);
    if (path.isEmpty()) return;  // cancelled
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".") + Suffix(format);
    Export(format, path);
}

}  // namespace voxmill
