#include "app/ui/TargetMimeData.h"

#include <cstring>

#include "app/Target.h"

namespace voxmill {

CTargetMimeData::CTargetMimeData(CTarget& target) : m_pTarget(&target) {
    const quintptr address = reinterpret_cast<quintptr>(&target);
    setData(FormatFor(target.GetTargetType()),
            QByteArray(reinterpret_cast<const char*>(&address), sizeof address));
}

QString CTargetMimeData::FormatFor(std::uint16_t targetType) {
    return QStringLiteral("application/x-voxmill-target-%1").arg(targetType);
}

bool CTargetMimeData::Offers(const QMimeData* data, const std::vector<std::uint16_t>& accepted) {
    return TargetFrom(data, accepted) != nullptr;
}

CTarget* CTargetMimeData::TargetFrom(const QMimeData* data, const std::vector<std::uint16_t>& accepted) {
    const auto* own = qobject_cast<const CTargetMimeData*>(data);
    if (!own || !own->m_pTarget) return nullptr;
    const std::uint16_t type = own->m_pTarget->GetTargetType();
    for (std::uint16_t code : accepted) {
        if (code != type) continue;
        const QByteArray bytes = own->data(FormatFor(code));
        quintptr address = 0;
        if (bytes.size() != sizeof address) return nullptr;
        std::memcpy(&address, bytes.constData(), sizeof address);
        return address == reinterpret_cast<quintptr>(own->m_pTarget) ? own->m_pTarget : nullptr;
    }
    return nullptr;
}

void CTargetMimeData::SetDropPoint(const QPoint& globalPoint) const {
    m_dropPoint = globalPoint;
    m_bHasDropPoint = true;
}

}  // namespace voxmill
