#include "app/archive/Archive.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/archive/File.h"

namespace voxmill {
namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint32_t kMaxIndex = 0x7FFFFFFEu;
// Object records nest (a collection holds stubs that hold elements); a
// deeper chain than this can only come from a malicious file.
constexpr int kMaxNesting = 64;

static_assert(std::endian::native == std::endian::little,
              "the archive encoding is little-endian and written by memcpy");

}  // namespace

CArchive::CArchive(CFile& file, Mode mode, std::size_t bufferSize)
    : m_file(file), m_mode(mode), m_buffer(std::max<std::size_t>(bufferSize, 16)),
      m_bufStart(file.GetPosition()) {
    m_loadArray.emplace_back();  // index 0 is the null reference
}

CArchive::~CArchive() {
    // A storing archive must be closed explicitly so that write errors reach
    // the caller; here it is only flushed on a best-effort basis.
    if (IsStoring() && !m_closed) {
        try {
            Flush();
        } catch (...) {
        }
    }
}

namespace {

bool IsVowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

}  // namespace

void CArchive::Fail(CArchiveException::Cause cause, const std::string& what) const {
    throw CArchiveException(cause, GetPosition(), what);
}

std::uint64_t CArchive::GetPosition() const {
    // Sub-records may write straight to the file after a Flush.
    if (IsStoring()) return m_file.GetPosition() + m_bufPos;
    if (m_bufEnd == 0) return m_file.GetPosition();  // detached after Flush
    return m_bufStart + m_bufPos;
}

std::uint64_t CArchive::BytesLeft() const {
    const std::uint64_t length = m_file.GetLength(), position = GetPosition();
    return position < length ? length - position : 0;
}

void CArchive::Require(std::uint64_t bytes, const char* what) const {
    const std::uint64_t left = BytesLeft();
    if (bytes > left)
        throw CArchiveException(GetPosition(),
                                std::string("unexpected end of file reading ") + what + " (" + std::to_string(bytes) +
                                    " bytes needed, " + std::to_string(left) + " left)",
                                {std::string(IsVowel(*what) ? "an " : "a ") + what, false, false, bytes, left});
}

void CArchive::CheckStoring() const {
    if (!IsStoring() || m_closed) Fail(CArchiveException::readOnly, "write to a loading or closed archive");
}

void CArchive::CheckLoading() const {
    if (!IsLoading()) Fail(CArchiveException::writeOnly, "read from a storing archive");
}

void CArchive::Flush() {
    if (IsStoring()) {
        if (m_bufPos) m_file.Write(m_buffer.data(), m_bufPos);
        m_bufStart += m_bufPos;
        m_bufPos = 0;
    } else {
        const std::uint64_t position = GetPosition();
        m_file.Seek(position);
        m_bufStart = position;
        m_bufPos = m_bufEnd = 0;
    }
}

void CArchive::Close() {
    if (m_closed) return;
    if (IsStoring()) {
        Flush();
        m_file.Flush();
    }
    m_closed = true;
}

// --- storing ---------------------------------------------------------------

void CArchive::WriteRaw(const void* data, std::size_t size) {
    CheckStoring();
    if (size == 0) return;  // an empty array may come with a null pointer
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (size > m_buffer.size() - m_bufPos) {
        Flush();
        if (size >= m_buffer.size()) {
            m_file.Write(p, size);
            m_bufStart += size;
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_bufPos, p, size);
    m_bufPos += size;
}

void CArchive::WriteWord(std::uint16_t v) { WriteRaw(&v, 2); }
void CArchive::WriteDword(std::uint32_t v) { WriteRaw(&v, 4); }
void CArchive::WriteFloat(float v) { WriteRaw(&v, 4); }
void CArchive::WriteDouble(double v) { WriteRaw(&v, 8); }
void CArchive::WriteFloats(const float* data, std::size_t count) { WriteRaw(data, count * sizeof(float)); }

void CArchive::WriteString(const std::string& s) {
    const std::size_t n = s.size();
    if (n < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<std::uint16_t>(n));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDword(static_cast<std::uint32_t>(n));
    }
    WriteRaw(s.data(), n);
}

void CArchive::WriteCount(std::uint32_t n) {
    if (n < 0xFFFF) {
        WriteWord(static_cast<std::uint16_t>(n));
    } else {
        WriteWord(0xFFFF);
        WriteDword(n);
    }
}

std::uint32_t CArchive::NextIndex() {
    if (m_nextIndex > kMaxIndex) Fail(CArchiveException::badIndex, "too many objects in one archive");
    return m_nextIndex++;
}

void CArchive::WriteClassTag(const CRuntimeClass* cls) {
    auto it = m_storeMap.find(cls);
    if (it != m_storeMap.end()) {
        const std::uint32_t index = it->second;
        if (index < kBigObjectTag) {
            WriteWord(static_cast<std::uint16_t>(kClassTag | index));
        } else {
            WriteWord(kBigObjectTag);
            WriteDword(kBigClassTag | index);
        }
        return;
    }
    if (cls->m_wSchema == CRuntimeClass::kNoSchema)
        Fail(CArchiveException::badClass, std::string("class ") + cls->m_lpszClassName + " is not serializable");
    const std::size_t len = std::strlen(cls->m_lpszClassName);
    WriteWord(kNewClassTag);
    WriteWord(static_cast<std::uint16_t>(cls->m_wSchema));
    WriteWord(static_cast<std::uint16_t>(len));
    WriteRaw(cls->m_lpszClassName, len);
    m_storeMap[cls] = NextIndex();
}

void CArchive::WriteObject(const CObject* object) {
    CheckStoring();
    if (!object) {
        WriteWord(kNullTag);
        return;
    }
    auto it = m_storeMap.find(object);
    if (it != m_storeMap.end()) {
        const std::uint32_t index = it->second;
        if (index < kBigObjectTag) {
            WriteWord(static_cast<std::uint16_t>(index));
        } else {
            WriteWord(kBigObjectTag);
            WriteDword(index);
        }
        return;
    }
    WriteClassTag(object->GetRuntimeClass());
    m_storeMap[object] = NextIndex();
    // Serialize is not const in the object model; storing does not modify.
    const_cast<CObject*>(object)->Serialize(*this);
}

// --- loading ---------------------------------------------------------------

void CArchive::FillBuffer(std::size_t wanted) {
    // Keep unread bytes, then top the buffer up from the file.
    if (m_bufEnd == 0) {
        m_bufStart = m_file.GetPosition();
        m_bufPos = 0;
    }
    const std::size_t unread = m_bufEnd - m_bufPos;
    if (m_bufPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_bufPos, unread);
        m_bufStart += m_bufPos;
        m_bufPos = 0;
        m_bufEnd = unread;
    }
    while (m_bufEnd < wanted) {
        const std::size_t got = m_file.Read(m_buffer.data() + m_bufEnd, m_buffer.size() - m_bufEnd);
        if (got == 0) break;
        m_bufEnd += got;
    }
}

void CArchive::ReadRaw(void* data, std::size_t size, const char* what) {
    CheckLoading();
    if (size == 0) return;
    Require(size, what);
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t have = m_bufEnd - m_bufPos;
    if (have >= size) {
        std::memcpy(p, m_buffer.data() + m_bufPos, size);
        m_bufPos += size;
        return;
    }
    if (size <= m_buffer.size()) {  // fits the buffer once it is topped up
        FillBuffer(size);
        have = m_bufEnd - m_bufPos;
        if (have < size) Fail(CArchiveException::endOfFile, std::string("unexpected end of file reading ") + what);
        std::memcpy(p, m_buffer.data() + m_bufPos, size);
        m_bufPos += size;
        return;
    }
    // A large block: drain the buffer, then read the rest straight from the file.
    std::memcpy(p, m_buffer.data() + m_bufPos, have);
    const std::uint64_t fileBlockStart = GetPosition() + have;
    if (m_bufEnd != 0) m_file.Seek(fileBlockStart);
    std::size_t done = have;
    while (done < size) {
        const std::size_t got = m_file.Read(p + done, size - done);
        if (got == 0) break;
        done += got;
    }
    m_bufStart = fileBlockStart + (done - have);
    m_bufPos = m_bufEnd = 0;
    if (done < size) Fail(CArchiveException::endOfFile, std::string("unexpected end of file reading ") + what);
}

std::uint8_t CArchive::ReadByte() {
    std::uint8_t v;
    ReadRaw(&v, 1, "byte");
    return v;
}

std::uint16_t CArchive::ReadWord() {
    std::uint16_t v;
    ReadRaw(&v, 2, "word");
    return v;
}

std::uint32_t CArchive::ReadDword() {
    std::uint32_t v;
    ReadRaw(&v, 4, "dword");
    return v;
}

float CArchive::ReadFloat() {
    float v;
    ReadRaw(&v, 4, "float");
    return v;
}

double CArchive::ReadDouble() {
    double v;
    ReadRaw(&v, 8, "double");
    return v;
}

void CArchive::ReadFloats(float* data, std::size_t count, const char* what) {
    ReadRaw(data, count * sizeof(float), what);
}

std::string CArchive::ReadString() {
    bool wide = false;
    std::uint64_t n = 0;
    for (;;) {
        const std::uint8_t b = ReadByte();
        if (b < 0xFF) {
            n = b;
            break;
        }
        const std::uint16_t w = ReadWord();
        if (w == 0xFFFE) {  // wide-string marker: a second prefix follows
            wide = true;
            continue;
        }
        n = (w == 0xFFFF) ? ReadDword() : w;
        break;
    }
    if (!wide) {
        Require(n, "string");
        std::string s(static_cast<std::size_t>(n), '\0');
        ReadRaw(s.data(), s.size(), "string");
        return s;
    }
    Require(2 * n, "wide string");
    std::vector<char16_t> units(static_cast<std::size_t>(n));
    ReadRaw(units.data(), units.size() * 2, "wide string");
    std::string s;
    s.reserve(units.size());
    // 8-bit text: Latin-1 characters pass, the rest cannot be shown.
    for (char16_t c : units) s.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return s;
}

std::uint32_t CArchive::ReadCount(std::uint32_t minItemBytes, const char* items) {
    const std::uint64_t at = GetPosition();
    std::uint32_t n = ReadWord();
    if (n == 0xFFFF) n = ReadDword();
    const std::uint64_t needed = static_cast<std::uint64_t>(n) * minItemBytes, left = BytesLeft();
    if (needed > left) {
        const std::string noun = items ? items : "items";
        throw CArchiveException(at,
                                "count " + std::to_string(n) + " needs at least " + std::to_string(needed) +
                                    " bytes, " + std::to_string(left) + " are left",
                                {std::to_string(n) + " " + noun, n != 1, true, needed, left});
    }
    return n;
}

CObject* CArchive::ReadObject(const CRuntimeClass* expected) { return ReadObjectImpl(expected, true); }

CObject* CArchive::ReadOwnedObject(const CRuntimeClass* expected) { return ReadObjectImpl(expected, false); }

CObject* CArchive::ReadObjectImpl(const CRuntimeClass* expected, bool allowBackReference) {
    CheckLoading();
    const std::uint64_t at = GetPosition();
    auto fail = [at](CArchiveException::Cause cause, const std::string& what) -> CArchiveException {
        return CArchiveException(cause, at, what);
    };

    const std::uint16_t tag = ReadWord();
    bool isClass = false;
    std::uint32_t index = 0;
    if (tag == kBigObjectTag) {
        const std::uint32_t d = ReadDword();
        isClass = (d & kBigClassTag) != 0;
        index = d & ~kBigClassTag;
    } else if (tag != kNewClassTag) {
        isClass = (tag & kClassTag) != 0;
        index = tag & ~kClassTag;
    }

    if (tag != kNewClassTag && !isClass) {
        if (index == 0) return nullptr;
        if (index >= m_loadArray.size())
            throw fail(CArchiveException::badIndex, "reference to object " + std::to_string(index) + ", never seen");
        CObject* object = m_loadArray[index].object;
        if (!object)
            throw fail(CArchiveException::badIndex,
                       "reference " + std::to_string(index) + " names a class where an object is expected");
        if (!allowBackReference)
            throw fail(CArchiveException::badIndex,
                       "shared reference to object " + std::to_string(index) + " where an owned object is expected");
        if (expected && !object->IsKindOf(expected))
            throw fail(CArchiveException::badClass, std::string("object of class ") +
                                                        object->GetRuntimeClass()->m_lpszClassName + " where " +
                                                        expected->m_lpszClassName + " is expected");
        return object;
    }

    const CRuntimeClass* cls = nullptr;
    std::uint32_t schema = 0;
    if (tag == kNewClassTag) {
        schema = ReadWord();
        const std::uint16_t len = ReadWord();
        Require(len, "class name");
        std::string name(len, '\0');
        ReadRaw(name.data(), len, "class name");
        cls = CRuntimeClass::FromName(name);
        if (!cls || cls->m_wSchema == CRuntimeClass::kNoSchema)
            throw fail(CArchiveException::badClass, "unknown class name '" + name + "'");
        if (!cls->m_bVersionable && schema != cls->m_wSchema)
            throw fail(CArchiveException::badSchema, "class " + name + " stored with schema " +
                                                         std::to_string(schema) + ", expected " +
                                                         std::to_string(cls->m_wSchema));
        if (m_loadArray.size() > kMaxIndex) throw fail(CArchiveException::badIndex, "too many objects");
        m_loadArray.push_back({cls, schema, nullptr});
    } else {
        if (index == 0 || index >= m_loadArray.size())
            throw fail(CArchiveException::badIndex, "class index " + std::to_string(index) + ", never seen");
        if (!m_loadArray[index].cls)
            throw fail(CArchiveException::badIndex,
                       "class index " + std::to_string(index) + " names an object where a class is expected");
        cls = m_loadArray[index].cls;
        schema = m_loadArray[index].schema;
    }

    if (expected && !cls->IsDerivedFrom(expected))
        throw fail(CArchiveException::badClass, std::string("object of class ") + cls->m_lpszClassName + " where " +
                                                    expected->m_lpszClassName + " is expected");
    if (m_depth >= kMaxNesting)
        throw fail(CArchiveException::generic, "objects nested too deeply");

    CObject* object = cls->CreateObject();
    if (!object) throw fail(CArchiveException::badClass, std::string("cannot create ") + cls->m_lpszClassName);
    const std::size_t objectIndex = m_loadArray.size();
    m_loadArray.push_back({nullptr, 0, object});

    const std::uint32_t savedSchema = m_currentSchema;
    m_currentSchema = schema;
    ++m_depth;
    try {
        object->Serialize(*this);
    } catch (...) {
        --m_depth;
        m_currentSchema = savedSchema;
        // The object and whatever it read are gone (deleted with it, or
        // never handed out): no later reference may reach them.
        for (std::size_t i = objectIndex; i < m_loadArray.size(); ++i) m_loadArray[i].object = nullptr;
        delete object;
        throw;
    }
    --m_depth;
    m_currentSchema = savedSchema;
    return object;
}

}  // namespace voxmill
