// The archive: the byte stream every document file is written in. Little-
// endian fields, length-prefixed strings, counts, and object references with
// one running index shared by class descriptions and objects (0 is null).
//
// Loading never trusts the stream: every count and length is checked against
// the bytes left before anything is allocated, and every malformed field
// throws CArchiveException naming the field and its byte offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/archive/ArchiveException.h"
#include "app/archive/Object.h"

namespace voxmill {

class CFile;

class CArchive {
public:
    enum Mode { load, store };

    static constexpr std::size_t kDefaultBufferSize = 4096;

    CArchive(CFile& file, Mode mode, std::size_t bufferSize = kDefaultBufferSize);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }

    // Storing: writes out the buffer. Loading: puts the file back at the
    // archive's logical position, so that a sub-record can work on the file.
    void Flush();
    // Flushes a storing archive; the archive is unusable afterwards.
    void Close();
    CFile& GetFile() { return m_file; }

    // Byte offset in the file of the next byte read or written.
    std::uint64_t GetPosition() const;
    // Bytes left to read from the current position to the end of the file.
    std::uint64_t BytesLeft() const;
    // Throws endOfFile unless `bytes` more bytes are left; `what` names the field.
    void Require(std::uint64_t bytes, const char* what) const;

    // --- storing ---
    void WriteByte(std::uint8_t v) { WriteRaw(&v, 1); }
    void WriteWord(std::uint16_t v);
    void WriteInt(std::int32_t v) { WriteDword(static_cast<std::uint32_t>(v)); }
    void WriteDword(std::uint32_t v);
    void WriteFlag(bool v) { WriteDword(v ? 1u : 0u); }
    void WriteFloat(float v);
    void WriteDouble(double v);
    void WriteString(const std::string& s);
    void WriteCount(std::uint32_t n);
    void WriteObject(const CObject* object);
    void WriteRaw(const void* data, std::size_t size);
    void WriteFloats(const float* data, std::size_t count);

    // --- loading ---
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::int32_t ReadInt() { return static_cast<std::int32_t>(ReadDword()); }
    std::uint32_t ReadDword();
    bool ReadFlag() { return ReadDword() != 0; }
    float ReadFloat();
    double ReadDouble();
    std::string ReadString();
    // A count of items each at least minItemBytes long; refused when the
    // items could not fit in what is left of the file. `items` names them
    // for the message ("elements"; "items" when null).
    std::uint32_t ReadCount(std::uint32_t minItemBytes = 2, const char* items = nullptr);
    // An object reference: null, a back reference, or a new object of a
    // class derived from `expected` (any class when null). The caller owns
    // new objects; a back reference returns the object read before.
    CObject* ReadObject(const CRuntimeClass* expected = nullptr);
    // As ReadObject, but refuses back references: for lists that own their
    // items, where a shared item would be deleted twice.
    CObject* ReadOwnedObject(const CRuntimeClass* expected);
    void ReadRaw(void* data, std::size_t size, const char* what = "data");
    void ReadFloats(float* data, std::size_t count, const char* what = "float array");

    // The schema stored with the class of the object being read (versionable
    // classes choose their layout by it).
    std::uint32_t GetObjectSchema() const { return m_currentSchema; }

    template <class T>
    T* ReadObjectAs() {
        return static_cast<T*>(ReadObject(T::ThisClass()));
    }
    template <class T>
    T* ReadOwnedObjectAs() {
        return static_cast<T*>(ReadOwnedObject(T::ThisClass()));
    }

    [[noreturn]] void Fail(CArchiveException::Cause cause, const std::string& what) const;

private:
    struct LoadEntry {
        const CRuntimeClass* cls = nullptr;  // set for class descriptions
        std::uint32_t schema = 0;
        CObject* object = nullptr;           // set for objects
    };

    void FillBuffer(std::size_t wanted);
    void CheckStoring() const;
    void CheckLoading() const;
    void WriteClassTag(const CRuntimeClass* cls);
    CObject* ReadObjectImpl(const CRuntimeClass* expected, bool allowBackReference);
    std::uint32_t NextIndex();

    CFile& m_file;
    Mode m_mode;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_bufPos = 0;   // next byte in the buffer
    std::size_t m_bufEnd = 0;   // loading: valid bytes in the buffer
    std::uint64_t m_bufStart;   // file position of m_buffer[0]
    bool m_closed = false;

    std::uint32_t m_nextIndex = 1;
    std::unordered_map<const void*, std::uint32_t> m_storeMap;  // classes and objects
    std::vector<LoadEntry> m_loadArray;                         // index -> entry
    std::uint32_t m_currentSchema = 0;
    int m_depth = 0;
};

}  // namespace voxmill
