#pragma once
// A system library opened the first time something needs it rather than at every start: the
// command line writes a PNG image without first loading the TIFF library and its dozen
// dependencies, or fontconfig, which only a font not yet in the cache needs.

#include <optional>
#include <string>

class CSharedLibrary {
public:
    // `soname` as the dynamic linker finds it ("libtiff.so.6").
    explicit CSharedLibrary(const char* soname) : m_soname(soname) {}
    // The library stays loaded: functions taken from it stay valid for the process's life.
    CSharedLibrary(const CSharedLibrary&) = delete;
    CSharedLibrary& operator=(const CSharedLibrary&) = delete;

    // The function of that name, or null when the library or the function cannot be had
    // (Error() then says why).
    template <class F> F* Get(const char* name) { return reinterpret_cast<F*>(Symbol(name)); }
    // Takes the function into `f`; false when it cannot be had.
    template <class F> bool Take(F*& f, const char* name) {
        f = Get<F>(name);
        return f != nullptr;
    }
    const std::string& Error() const { return m_error; }

private:
    void* Symbol(const char* name);

    const char* m_soname;
    void* m_handle = nullptr;
    bool m_tried = false;
    std::string m_error;
};

// A library's table of functions, filled the first time it is asked for and kept for the
// process's life: `fill` takes each function of `Table` from the library.
template <class Table> struct CLoadedLibrary {
    std::optional<Table> functions; // none when the library or one of them cannot be had
    std::string error;              // then why

    const Table* Get() const { return functions ? &*functions : nullptr; }
};

// The table is never destroyed, so that whatever outlives the statics of the caller's file (an
// object destroyed at exit after them) can still use it.
template <class Table>
const CLoadedLibrary<Table>& LoadLibraryOnce(const char* soname,
                                             bool (*fill)(CSharedLibrary&, Table&)) {
    static const CLoadedLibrary<Table>* const loaded = [&] {
        static CSharedLibrary library(soname);
        auto* result = new CLoadedLibrary<Table>();
        Table table;
        if (fill(library, table))
            result->functions = table;
        else
            result->error = library.Error();
        return result;
    }();
    return *loaded;
}
