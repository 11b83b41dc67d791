#include "common/archive.h"

#include "common/object.h"

#include <string_view>

CArchive::CArchive(std::vector<std::uint8_t>& out) : m_out(&out) {}

CArchive::CArchive(std::span<const std::uint8_t> in) : m_in(in) {}

void CArchive::Need(std::size_t bytes) const {
    if (bytes > Remaining())
        throw CArchiveException(CArchiveException::endOfFile, "archive ends too early");
}

void CArchive::WriteBytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_out->insert(m_out->end(), p, p + size);
}

std::uint8_t CArchive::ReadUInt8() {
    Need(1);
    return m_in[m_pos++];
}

void CArchive::WriteUInt16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                   static_cast<std::uint8_t>(value >> 8)};
    WriteBytes(bytes, 2);
}

std::uint16_t CArchive::ReadUInt16() {
    Need(2);
    std::uint16_t v = static_cast<std::uint16_t>(m_in[m_pos] | (m_in[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

void CArchive::WriteUInt32(std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    WriteBytes(bytes, 4);
}

std::uint32_t CArchive::ReadUInt32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | m_in[m_pos + i];
    m_pos += 4;
    return v;
}

CArchive& CArchive::operator<<(std::int32_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value));
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& value) {
    value = static_cast<std::int32_t>(ReadUInt32());
    return *this;
}

CArchive& CArchive::operator<<(const std::string& text) {
    const std::size_t n = text.size();
    if (n < 0xFF) {
        const auto b = static_cast<std::uint8_t>(n);
        WriteBytes(&b, 1);
    } else {
        const std::uint8_t marker = 0xFF;
        WriteBytes(&marker, 1);
        if (n < 0xFFFE) {
            WriteUInt16(static_cast<std::uint16_t>(n));
        } else {
            if (n >= 0xFFFFFFFFu) throw std::length_error("string too long for the archive");
            WriteUInt16(0xFFFF);
            WriteUInt32(static_cast<std::uint32_t>(n));
        }
    }
    WriteBytes(text.data(), n);
    return *this;
}

// Decodes one length prefix. 0xFF 0xFFFE announces a string of 16-bit characters whose own
// (narrow-form) prefix follows.
std::uint64_t CArchive::ReadStringLength(bool& wide) {
    const std::uint8_t b = ReadUInt8();
    if (b < 0xFF) return b;
    const std::uint16_t w = ReadUInt16();
    if (w == 0xFFFE) {
        if (wide)
            throw CArchiveException(CArchiveException::badString, "repeated wide-string marker");
        wide = true;
        return ReadStringLength(wide);
    }
    if (w < 0xFFFF) return w;
    const std::uint32_t d = ReadUInt32();
    if (d < 0xFFFFFFFFu) return d;
    const std::uint64_t lo = ReadUInt32();
    const std::uint64_t hi = ReadUInt32();
    return (hi << 32) | lo;
}

CArchive& CArchive::operator>>(std::string& text) {
    bool wide = false;
    const std::uint64_t n = ReadStringLength(wide);
    // Check the claimed length against what is left before allocating anything.
    const std::uint64_t bytes = wide ? n * 2 : n;
    if ((wide && n > Remaining()) || bytes > Remaining())
        throw CArchiveException(CArchiveException::endOfFile, "string runs past the end");
    const auto* p = m_in.data() + m_pos;
    if (!wide) {
        text.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
    } else {
        // 16-bit characters become single bytes: Latin-1 maps to itself, anything else
        // (a surrogate pair counts once) becomes '?', as a narrow code page would show it.
        text.clear();
        text.reserve(static_cast<std::size_t>(n));
        for (std::uint64_t i = 0; i < n; ++i) {
            const unsigned unit = p[2 * i] | (p[2 * i + 1] << 8);
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n) {
                const unsigned next = p[2 * i + 2] | (p[2 * i + 3] << 8);
                if (next >= 0xDC00 && next <= 0xDFFF) ++i;
            }
            text.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
        }
    }
    m_pos += static_cast<std::size_t>(bytes);
    return *this;
}

void CArchive::WriteObject(const CObject& object) {
    const CRuntimeClass* cls = object.GetRuntimeClass();
    const std::string_view name = cls->m_lpszClassName;
    if (name.size() > kMaxClassNameLength) throw std::length_error("class name too long");
    WriteUInt16(kNewClassTag);
    WriteUInt16(static_cast<std::uint16_t>(cls->m_wSchema));
    WriteUInt16(static_cast<std::uint16_t>(name.size()));
    WriteBytes(name.data(), name.size());
    // Serialize is not const in the object model; storing does not change the object.
    const_cast<CObject&>(object).Serialize(*this);
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* requiredBase) {
    const std::uint16_t tag = ReadUInt16();
    if (tag == kNullTag)
        throw CArchiveException(CArchiveException::nullObject, "archive holds no object");
    if (tag != kNewClassTag)
        throw CArchiveException(CArchiveException::wrongTag,
                                "object refers to a class the archive has not defined");
    const std::uint16_t schema = ReadUInt16();
    const std::uint16_t length = ReadUInt16();
    if (length > kMaxClassNameLength)
        throw CArchiveException(CArchiveException::nameTooLong, "class name too long");
    Need(length);
    const std::string name(reinterpret_cast<const char*>(m_in.data() + m_pos), length);
    m_pos += length;

    const CRuntimeClass* cls = CRuntimeClass::FromName(name);
    if (!cls) throw CArchiveException(CArchiveException::unknownClass, "unknown class " + name);
    if (requiredBase && !cls->IsDerivedFrom(requiredBase))
        throw CArchiveException(CArchiveException::unsuitableClass, "unsuitable class " + name);
    if (schema != cls->m_wSchema)
        throw CArchiveException(CArchiveException::badSchema, "wrong schema for " + name);
    std::unique_ptr<CObject> object = cls->CreateObject();
    if (!object)
        throw CArchiveException(CArchiveException::abstractClass, "abstract class " + name);
    object->Serialize(*this);
    return object;
}
