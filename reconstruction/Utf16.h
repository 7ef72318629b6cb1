// Text across the plug-in boundary is UTF-16 (BSTR, OLECHAR strings); the
// program's own 8-bit text is UTF-8. Malformed input never fails: an
// unpaired surrogate or a bad byte sequence becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "contract/Com.h"

namespace voxmill {

// Null gives "".
std::string Utf16ToUtf8(const OLECHAR* text);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace voxmill
