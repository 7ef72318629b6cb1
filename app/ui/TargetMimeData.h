// The data of a target drag: one format per target type code
// ("application/x-voxmill-target-100" for a phantom, ...) carrying the
// document's address. The address means something only inside this
// process, so a drop site takes a document only from data this process
// made (never from bytes another program offered) and only when the
// offered code is one it accepts and the document's own.
//
// A drop site that only moves windows records the drop point here for the
// drag's source.
#pragma once

#include <QMimeData>
#include <QPoint>
#include <cstdint>
#include <vector>

namespace voxmill {

class CTarget;

class CTargetMimeData : public QMimeData {
    Q_OBJECT

public:
    explicit CTargetMimeData(CTarget& target);

    static QString FormatFor(std::uint16_t targetType);
    // The dragged target when `data` offers it in one of the accepted
    // formats; null otherwise.
    static CTarget* TargetFrom(const QMimeData* data, const std::vector<std::uint16_t>& accepted);
    static bool Offers(const QMimeData* data, const std::vector<std::uint16_t>& accepted);

    CTarget* GetTarget() const { return m_pTarget; }
    void SetDropPoint(const QPoint& globalPoint) const;
    bool HasDropPoint() const { return m_bHasDropPoint; }
    QPoint DropPoint() const { return m_dropPoint; }

private:
    CTarget* m_pTarget;
    mutable QPoint m_dropPoint;
    mutable bool m_bHasDropPoint = false;
};

}  // namespace voxmill
