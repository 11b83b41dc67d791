#pragma once
// The object archive behind ".qmx" files: class-tagged objects, little-endian integers and
// counted single-byte strings, written to or read from a byte buffer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class CObject;
struct CRuntimeClass;

// Everything that can be wrong with archived bytes. The document shows all of them as one
// "unexpected format" message; keeping them apart makes tests and diagnostics precise.
class CArchiveException : public std::runtime_error {
public:
    enum Cause {
        wrongTag,        // the first tag is neither a new class nor the null object
        nullObject,      // the archive holds the null object, not an instance
        nameTooLong,     // a class name of 64 bytes or more
        unknownClass,    // no class of that exact name
        unsuitableClass, // the class is not derived from the one asked for
        abstractClass,   // the class has a record but creates nothing
        badSchema,       // the stored schema is not the class's own
        badString,       // a counted string with a malformed length prefix
        endOfFile,       // the bytes end before the object does
    };

    CArchiveException(Cause cause, const std::string& what)
        : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};

class CArchive {
public:
    static constexpr std::uint16_t kNewClassTag = 0xFFFF;
    static constexpr std::uint16_t kNullTag = 0x0000;
    static constexpr std::size_t kMaxClassNameLength = 63;

    // A storing archive appends to `out`.
    explicit CArchive(std::vector<std::uint8_t>& out);
    // A loading archive reads `in`, which must outlive it. It never reads past its end.
    explicit CArchive(std::span<const std::uint8_t> in);

    bool IsStoring() const { return m_out != nullptr; }
    bool IsLoading() const { return m_out == nullptr; }

    CArchive& operator<<(std::int32_t value);
    CArchive& operator>>(std::int32_t& value);
    CArchive& operator<<(const std::string& text); // counted string
    CArchive& operator>>(std::string& text);

    void WriteUInt16(std::uint16_t value);
    std::uint16_t ReadUInt16();
    void WriteUInt32(std::uint32_t value);
    std::uint32_t ReadUInt32();
    void WriteBytes(const void* data, std::size_t size);

    // New-class tag, schema, name length and name, then the object's own fields.
    void WriteObject(const CObject& object);
    // Reads one object that must be of `requiredBase` or a class derived from it. Throws
    // CArchiveException for every way the bytes can be wrong.
    std::unique_ptr<CObject> ReadObject(const CRuntimeClass* requiredBase);

    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_in.size() - m_pos; }

private:
    void Need(std::size_t bytes) const;
    std::uint8_t ReadUInt8();
    std::uint64_t ReadStringLength(bool& wide);

    std::vector<std::uint8_t>* m_out = nullptr;
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
};
