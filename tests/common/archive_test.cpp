#include "common/archive.h"
#include "common/object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small archivable class of the test's own.
class CTestRecord : public CObject {
    DECLARE_SERIAL(CTestRecord)
public:
    std::int32_t m_nValue = 0;
    std::string m_strText;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_nValue << m_strText;
        else
            ar >> m_nValue >> m_strText;
    }
};
IMPLEMENT_SERIAL(CTestRecord, CObject, 7)

class CTestAbstract : public CObject {
    DECLARE_ABSTRACT_SERIAL(CTestAbstract)
};
IMPLEMENT_ABSTRACT_SERIAL(CTestAbstract, CObject, 7)

class CTestChild : public CTestAbstract {
    DECLARE_SERIAL(CTestChild)
};
IMPLEMENT_SERIAL(CTestChild, CTestAbstract, 7)

const bool registered = [] {
    CRuntimeClass::Register(RUNTIME_CLASS(CTestRecord));
    CRuntimeClass::Register(RUNTIME_CLASS(CTestAbstract));
    CRuntimeClass::Register(RUNTIME_CLASS(CTestChild));
    return true;
}();

Bytes StoreString(const std::string& s) {
    Bytes out;
    CArchive ar(out);
    ar << s;
    return out;
}

std::string LoadString(const Bytes& in) {
    CArchive ar(std::span<const std::uint8_t>(in.data(), in.size()));
    std::string s;
    ar >> s;
    EXPECT_EQ(ar.Remaining(), 0u);
    return s;
}

CArchiveException::Cause LoadFailure(const Bytes& in, const CRuntimeClass* base) {
    CArchive ar(std::span<const std::uint8_t>(in.data(), in.size()));
    try {
        ar.ReadObject(base);
    } catch (const CArchiveException& e) {
        return e.GetCause();
    }
    ADD_FAILURE() << "loaded without error";
    return CArchiveException::wrongTag;
}

} // namespace

TEST(Archive, IntegersAreLittleEndianTwosComplement) {
    Bytes out;
    CArchive ar(out);
    ar << std::int32_t{750} << std::int32_t{-2};
    EXPECT_EQ(out, (Bytes{0xee, 0x02, 0, 0, 0xfe, 0xff, 0xff, 0xff}));
    CArchive in(std::span<const std::uint8_t>(out.data(), out.size()));
    std::int32_t a = 0, b = 0;
    in >> a >> b;
    EXPECT_EQ(a, 750);
    EXPECT_EQ(b, -2);
}

TEST(Archive, CountedStringPrefixesAtTheirBoundaries) {
    const struct {
        size_t length;
        Bytes prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xfe}},
        {255, {0xff, 0xff, 0x00}},
        {300, {0xff, 0x2c, 0x01}},
        {65533, {0xff, 0xfd, 0xff}},
        {65534, {0xff, 0xff, 0xff, 0xfe, 0xff, 0x00, 0x00}},
        {70000, {0xff, 0xff, 0xff, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        std::string text(c.length, 'x');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>(i * 7); // every byte value, NUL included
        const Bytes out = StoreString(text);
        ASSERT_EQ(out.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + c.prefix.size()), c.prefix) << c.length;
        EXPECT_EQ(LoadString(out), text) << c.length;
    }
}

TEST(Archive, WideStringsBecomeSingleBytes) {
    // 0xFF 0xFFFE, then a narrow prefix of 5 units: 'A', U+00E9, U+20AC, and a surrogate pair,
    // which becomes one character.
    const Bytes in = {0xff, 0xfe, 0xff, 0x05, 'A', 0, 0xe9, 0, 0xac, 0x20, 0x3d, 0xd8, 0x00, 0xde};
    EXPECT_EQ(LoadString(in), "A\xe9??");
    // The wide form with a 16-bit length.
    Bytes longer = {0xff, 0xfe, 0xff, 0xff, 0x00, 0x01};
    for (int i = 0; i < 256; ++i)
        longer.insert(longer.end(), {'z', 0});
    EXPECT_EQ(LoadString(longer), std::string(256, 'z'));
}

TEST(Archive, LengthsThatOverrunTheBufferAreRefusedBeforeAllocating) {
    const Bytes cases[] = {
        {0x05, 'a', 'b'},
        {0xff, 0x2c},
        {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},                         // ~2 GB claimed
        {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 1, 2, 3, 4, 5, 6, 7, 8}, // 64-bit length
        {0xff, 0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},             // wide, ~4 G characters
        {0xff, 0xfe, 0xff, 0x02, 'a', 0},                                   // wide, one unit short
    };
    for (const Bytes& in : cases) {
        CArchive ar(std::span<const std::uint8_t>(in.data(), in.size()));
        std::string s;
        try {
            ar >> s;
            ADD_FAILURE() << "read past the end";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
        }
    }
    const Bytes twice = {0xff, 0xfe, 0xff, 0xff, 0xfe, 0xff, 0x00};
    CArchive ar(std::span<const std::uint8_t>(twice.data(), twice.size()));
    std::string s;
    EXPECT_THROW(ar >> s, CArchiveException);
}

TEST(Archive, ObjectFramingRoundTrip) {
    CTestRecord rec;
    rec.m_nValue = 42;
    rec.m_strText = "hi";
    Bytes out;
    CArchive ar(out);
    ar.WriteObject(rec);
    const Bytes expected = {0xff, 0xff, 0x07, 0x00, 0x0b, 0x00, 'C', 'T', 'e', 's', 't', 'R',
                            'e',  'c',  'o',  'r',  'd',  42,   0,   0,   0,   2,   'h', 'i'};
    EXPECT_EQ(out, expected);

    Bytes withTrailer = out;
    withTrailer.insert(withTrailer.end(), {1, 2, 3}); // bytes after the object are ignored
    CArchive in(std::span<const std::uint8_t>(withTrailer.data(), withTrailer.size()));
    auto obj = in.ReadObject(RUNTIME_CLASS(CTestRecord));
    ASSERT_NE(obj, nullptr);
    auto* back = dynamic_cast<CTestRecord*>(obj.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_nValue, 42);
    EXPECT_EQ(back->m_strText, "hi");
}

TEST(Archive, EveryWayAnObjectCanBeBadIsItsOwnError) {
    using C = CArchiveException;
    const Bytes good = {0xff, 0xff, 0x07, 0x00, 0x0b, 0x00, 'C', 'T', 'e', 's', 't', 'R',
                        'e',  'c',  'o',  'r',  'd',  42,   0,   0,   0,   2,   'h', 'i'};
    const struct {
        const char* what;
        Bytes bytes;
        const CRuntimeClass* base;
        C::Cause cause;
    } cases[] = {
        {"null tag", {0x00, 0x00}, RUNTIME_CLASS(CObject), C::nullObject},
        {"class reference", {0x01, 0x80}, RUNTIME_CLASS(CObject), C::wrongTag},
        {"long form", {0xff, 0x7f, 1, 0, 0, 0}, RUNTIME_CLASS(CObject), C::wrongTag},
        {"name of 64",
         {0xff, 0xff, 0x07, 0x00, 0x40, 0x00},
         RUNTIME_CLASS(CObject),
         C::nameTooLong},
        {"unknown",
         {0xff, 0xff, 0x07, 0x00, 0x03, 0x00, 'C', 'X', 'Y'},
         RUNTIME_CLASS(CObject),
         C::unknownClass},
        {"other case",
         {0xff, 0xff, 0x07, 0x00, 0x0b, 0x00, 'c', 't', 'e', 's', 't', 'r', 'e', 'c', 'o', 'r',
          'd'},
         RUNTIME_CLASS(CObject),
         C::unknownClass},
        {"unsuitable", good, RUNTIME_CLASS(CTestAbstract), C::unsuitableClass},
        {"schema",
         {0xff, 0xff, 0x00, 0x01, 0x0b, 0x00, 'C', 'T', 'e', 's', 't', 'R', 'e', 'c', 'o', 'r',
          'd'},
         RUNTIME_CLASS(CObject),
         C::badSchema},
        {"abstract",
         {0xff, 0xff, 0x07, 0x00, 0x0d, 0x00, 'C', 'T', 'e', 's', 't', 'A', 'b', 's', 't', 'r', 'a',
          'c', 't'},
         RUNTIME_CLASS(CTestAbstract),
         C::abstractClass},
        {"empty", {}, RUNTIME_CLASS(CObject), C::endOfFile},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadFailure(c.bytes, c.base), c.cause) << c.what;

    // Cut anywhere, the object runs out of bytes.
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_EQ(LoadFailure(Bytes(good.begin(), good.begin() + cut), RUNTIME_CLASS(CObject)),
                  C::endOfFile)
            << "cut at " << cut;
}

TEST(Archive, DerivedClassesLoadThroughTheirBase) {
    CTestChild child;
    Bytes out;
    CArchive ar(out);
    ar.WriteObject(child);
    CArchive in(std::span<const std::uint8_t>(out.data(), out.size()));
    auto obj = in.ReadObject(RUNTIME_CLASS(CTestAbstract));
    ASSERT_NE(obj, nullptr);
    EXPECT_TRUE(obj->IsKindOf(RUNTIME_CLASS(CTestAbstract)));
    EXPECT_FALSE(obj->IsKindOf(RUNTIME_CLASS(CTestRecord)));
}
