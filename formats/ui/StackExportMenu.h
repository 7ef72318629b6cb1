// The entries a window adds to its Export menu for the formats other CT
// tools read (HDF5, TIFF stack, MetaImage, NRRD): each asks for a file
// and writes it, reporting a failure in a message box.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace voxmill {

// pngMontage: the slices tiled in one 8-bit grey picture (a slice collection's).
enum class StackFormat { hdf5, tiff, metaImage, nrrd, pngMontage };

class CStackExportMenu : public QObject {
public:
    struct Entry {
        StackFormat format;
        std::function<void(const std::string& path)> write;  // throws on failure
    };

    // `noun` names what is written in messages ("volume", "collection").
    CStackExportMenu(QMenu* menu, QWidget* owner, QString noun, std::vector<Entry> entries);

    QAction* Action(StackFormat format) const;
    // Enables every entry or none.
    void SetEnabled(bool enabled);
    // Writes without asking (the prompt's answer); false after a failure,
    // which was reported.
    bool Export(StackFormat format, const QString& path);

    static QString MenuText(StackFormat format);
    static QString Filter(StackFormat format);
    static QString Suffix(StackFormat format);

private:
    void Prompt(StackFormat format);

    QWidget* m_pOwner;
    QString m_noun;
    std::vector<Entry> m_entries;
    std::vector<QAction*> m_actions;
};

}  // namespace voxmill
