#include "app/ui/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace voxmill {
namespace {

const QString kGroup = QStringLiteral("Recent File List");

}  // namespace

std::unique_ptr<QSettings> CRecentFileList::OpenSettings() {
    const QString path = qEnvironmentVariable("VOXMILL_SETTINGS");
    if (!path.isEmpty()) return std::make_unique<QSettings>(path, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Voxmill"),
                                       QStringLiteral("Voxmill"));
}

CRecentFileList::CRecentFileList() {
    auto settings = OpenSettings();
    settings->beginGroup(kGroup);
    for (int i = 1; i <= kSize; ++i) {
        const QString file = settings->value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty() && !m_files.contains(file)) m_files << file;
    }
}

CRecentFileList::~CRecentFileList() = default;

void CRecentFileList::Add(const QString& path) {
    const QFileInfo info(path);
    const QString absolute = info.isRelative() ? info.absoluteFilePath() : path;
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > kSize) m_files.removeLast();
    Save();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_files.size()) return;
    m_files.removeAt(index);
    Save();
}

void CRecentFileList::Save() const {
    auto settings = OpenSettings();
    settings->beginGroup(kGroup);
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            settings->setValue(key, m_files.at(i - 1));
        else
            settings->remove(key);
    }
}

}  // namespace voxmill
