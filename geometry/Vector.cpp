#include "geometry/Vector.h"

#include "app/archive/Archive.h"

namespace voxmill {

void CVector4::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteDouble(x);
        ar.WriteDouble(y);
        ar.WriteDouble(z);
        ar.WriteDouble(w);
    } else {
        x = ar.ReadDouble();
        y = ar.ReadDouble();
        z = ar.ReadDouble();
        w = ar.ReadDouble();
    }
}

void CVector4::Cross(const CVector4& a, const CVector4& b, CVector4& result) {
    const double rx = a.y * b.z - b.y * a.z;
    const double ry = b.x * a.z - a.x * b.z;
    const double rz = a.x * b.y - a.y * b.x;
    result.x = rx;
    result.y = ry;
    result.z = rz;
}

}  // namespace voxmill
