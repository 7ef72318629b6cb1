#include "phantom/ui/PhantomElementListModel.h"

#include <algorithm>
#include <cstdio>

#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill {

CPhantomElementListModel::CPhantomElementListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CPhantomElementListModel::SetImages(const QIcon& ellipsoid, const QIcon& cylinder) {
    m_images[0] = ellipsoid;
    m_images[1] = cylinder;
}

void CPhantomElementListModel::Reload() {
    beginResetModel();
    m_rows.clear();
    if (m_pPhantom)
        for (const auto& element : m_pPhantom->m_elements) m_rows.push_back(element.get());
    endResetModel();
}

void CPhantomElementListModel::AppendRow(CPhantomElement* element) {
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(element);
    endInsertRows();
}

void CPhantomElementListModel::RemoveRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CPhantomElementListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_pPhantom = nullptr;
    endResetModel();
}

CPhantomElement* CPhantomElementListModel::ElementAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return nullptr;
    return m_rows[static_cast<std::size_t>(row)];
}

const CPhantomElement* CPhantomElementListModel::LiveElement(int row) const {
    const CPhantomElement* element = ElementAt(row);
    if (!element || !m_pPhantom) return nullptr;
    // A row may outlive its element when another window removed it; such a
    // pointer is never followed.
    const auto& elements = m_pPhantom->m_elements;
    const bool live = std::any_of(elements.begin(), elements.end(),
                                  [element](const std::unique_ptr<CPhantomElement>& e) { return e.get() == element; });
    return live ? element : nullptr;
}

int CPhantomElementListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CPhantomElementListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString CPhantomElementListModel::CenterText(const CPhantomElement& element) {
    char text[128];
    std::snprintf(text, sizeof text, "(%+.3f,%+.3f,%+.3f)", element.m_translation.p[0], element.m_translation.p[1],
                  element.m_translation.p[2]);
    return QString::fromLatin1(text);
}

QString CPhantomElementListModel::MuText(const CPhantomElement& element) {
    char text[64];
    std::snprintf(text, sizeof text, "%+.2f", static_cast<double>(element.m_mu));
    return QString::fromLatin1(text);
}

QVariant CPhantomElementListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const CPhantomElement* element = LiveElement(index.row());
    if (!element) return {};
    // The tip repeats the whole text of a cell its column cuts short.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
            case kElement: {
                const CPhantom::ElementKind* kind = CPhantom::KindOf(*element);
                return kind ? QString::fromLatin1(kind->label) : QString();
            }
            case kCenter: return CenterText(*element);
            case kMu: return MuText(*element);
            default: return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == kElement) {
        if (element->IsKindOf(RUNTIME_CLASS(CPhantomElementEllipsoid))) return m_images[0];
        if (element->IsKindOf(RUNTIME_CLASS(CPhantomElementCylinder))) return m_images[1];
    }
    return {};
}

QVariant CPhantomElementListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kElement: return QStringLiteral("Element");
        case kCenter: return QStringLiteral("Center");
        case kMu: return QStringLiteral("Mu");
        default: return {};
    }
}

}  // namespace voxmill
