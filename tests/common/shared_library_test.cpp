// Libraries loaded on first use: a table is filled once, and a library or function that cannot
// be had leaves no table and says why.
#include "common/shared_library.h"

#include <gtest/gtest.h>

namespace {

struct ZlibTable {
    const char* (*Version)() = nullptr;
};
struct MissingTable {
    void (*Anything)() = nullptr;
};
struct WrongFunctionTable {
    void (*Anything)() = nullptr;
};

bool TakeZlib(CSharedLibrary& so, ZlibTable& t) {
    return so.Take(t.Version, "zlibVersion");
}
bool TakeMissing(CSharedLibrary& so, MissingTable& t) {
    return so.Take(t.Anything, "anything");
}
bool TakeWrongFunction(CSharedLibrary& so, WrongFunctionTable& t) {
    return so.Take(t.Anything, "no_such_function_here");
}

} // namespace

TEST(SharedLibrary, ATableIsFilledOnceOrSaysWhyNot) {
    const auto& zlib = LoadLibraryOnce("libz.so.1", TakeZlib);
    ASSERT_NE(zlib.Get(), nullptr) << zlib.error;
    EXPECT_EQ(zlib.Get()->Version()[0], '1');
    EXPECT_EQ(&LoadLibraryOnce("libz.so.1", TakeZlib), &zlib) << "loaded once";

    const auto& missing = LoadLibraryOnce("libquillmark-none.so.9", TakeMissing);
    EXPECT_EQ(missing.Get(), nullptr);
    EXPECT_NE(missing.error.find("libquillmark-none.so.9"), std::string::npos) << missing.error;

    const auto& wrong = LoadLibraryOnce("libz.so.1", TakeWrongFunction);
    EXPECT_EQ(wrong.Get(), nullptr);
    EXPECT_NE(wrong.error.find("no_such_function_here"), std::string::npos) << wrong.error;
}
