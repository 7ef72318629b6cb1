// The recent-file list of the File menu: four entries, the newest first,
// kept in the per-user settings (group "Recent File List", keys File1 to
// File4). VOXMILL_SETTINGS names another settings file (tests use it).
#pragma once

#include <QStringList>
#include <memory>

class QSettings;

namespace voxmill {

class CRecentFileList {
public:
    static constexpr int kSize = 4;

    CRecentFileList();
    ~CRecentFileList();

    const QStringList& Files() const { return m_files; }
    // Puts the file first (once), dropping the oldest beyond four; saved at once.
    void Add(const QString& path);
    void Remove(int index);

    // The settings of the workbench: VOXMILL_SETTINGS when set, else the
    // per-user settings of "Voxmill".
    static std::unique_ptr<QSettings> OpenSettings();

private:
    void Save() const;

    QStringList m_files;
};

}  // namespace voxmill
