#include "phantom/ElementIcon.h"

#include "imaging/dib/Dib.h"
#include "phantom/PhantomElement.h"

namespace voxmill {

std::unique_ptr<CDib> DrawElementIcon(const std::function<ElementIconColor(int x, int y)>& shade) {
    constexpr int n = CPhantomElement::kBitmapSize;
    auto dib = std::make_unique<CDib>(n, n, 24);
    dib->CreateSection();
    std::uint8_t* bits = dib->GetBits();
    const std::uint32_t rowBytes = dib->GetRowBytes();
    for (int y = 0; y < n; ++y) {
        // Bitmap rows are stored bottom row first.
        std::uint8_t* row = bits + static_cast<std::size_t>(n - 1 - y) * rowBytes;
        for (int x = 0; x < n; ++x) {
            const ElementIconColor c = shade(x, y);
            row[3 * x + 0] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return dib;
}

}  // namespace voxmill
