#include "common/install_layout.h"

#include <filesystem>

// The build gives the window program's folder under the prefix and the way from it to the data
// and the guide, all relative, so the installed tree may be moved as a whole.
#ifndef QM_INSTALLED_PROGRAM_DIR
#define QM_INSTALLED_PROGRAM_DIR "libexec/quillmark"
#endif
#ifndef QM_DATA_FROM_PROGRAM_DIR
#define QM_DATA_FROM_PROGRAM_DIR "../../share/quillmark"
#endif
#ifndef QM_DOC_FROM_PROGRAM_DIR
#define QM_DOC_FROM_PROGRAM_DIR "../../share/doc/quillmark"
#endif

namespace {

// Whether `dir` ends with the components of `tail` (both normalised, compared whole).
bool EndsWithComponents(const std::filesystem::path& dir, const std::filesystem::path& tail) {
    auto d = dir.end(), t = tail.end();
    while (t != tail.begin()) {
        if (d == dir.begin()) return false;
        --d, --t;
        if (*d != *t) return false;
    }
    return true;
}

std::filesystem::path Normal(const std::filesystem::path& p) {
    std::filesystem::path n = p.lexically_normal();
    // "/usr/libexec/quillmark/" and "/usr/libexec/quillmark" are the same folder.
    if (!n.has_filename() && n.has_parent_path() && n != n.root_path()) n = n.parent_path();
    return n;
}

} // namespace

CInstallLayout InstallLayoutFor(const std::string& programDir) {
    const std::filesystem::path dir = Normal(programDir);
    const std::filesystem::path installed = Normal(QM_INSTALLED_PROGRAM_DIR);
    const bool isInstalled =
        installed.is_absolute() ? dir == installed : EndsWithComponents(dir, installed);
    if (!isInstalled) return {false, dir.string(), dir.string()};
    return {true, Normal(dir / QM_DATA_FROM_PROGRAM_DIR).string(),
            Normal(dir / QM_DOC_FROM_PROGRAM_DIR).string()};
}
