// quillmark: the command users type. It writes images, vector pictures and document copies
// itself, without loading Qt, and starts the window program for everything else, passing the
// arguments on.

#include "cli/command_line.h"
#include "cli/export_run.h"
#include "common/settings_store.h"
#include "render/export_formats.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace {

#ifndef QM_WINDOW_FROM_BIN_DIR
#define QM_WINDOW_FROM_BIN_DIR "../libexec/quillmark"
#endif

// The window program: beside this one in a build folder, in libexec when installed.
std::string WindowProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
    for (const std::filesystem::path& candidate :
         {dir / "quillmark-window", dir / QM_WINDOW_FROM_BIN_DIR / "quillmark-window"})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    return (dir / "quillmark-window").string();
}

int StartWindowProgram(char** argv) {
    const std::string program = WindowProgram();
    argv[0] = const_cast<char*>(program.c_str());
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "quillmark: the window program %s cannot be started: %s\n",
                 program.c_str(), std::strerror(errno));
    return 1;
}

// The resolution a screen is taken to have without the window system to ask.
constexpr int kScreenDpi = 96;

int Run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CCommandLineInfo info = ParseCommandLine(args);
    switch (info.kind) {
    case CCommandLineInfo::Help:
        std::fputs(CommandLineUsage().c_str(), stdout);
        return 0;
    case CCommandLineInfo::Invalid:
        std::fprintf(stderr, "quillmark: %s\n%s", info.error.c_str(), CommandLineUsage().c_str());
        return 2;
    case CCommandLineInfo::Export:
        // The formats the table marks as needing Qt are the window program's to write.
        if (const ExportFormat* format = FindExportFormat(info.output);
            format && !format->withoutQt)
            break;
        // A label product named for a ZPL file is read from the label database, which the
        // window program opens.
        if (const ExportFormat* format = FindExportFormat(info.output);
            format && format->writer == ExportWriter::Zpl &&
            (info.run.labelId > 0 || !info.run.labelName.empty()))
            break;
        {
            // The settings as they are now, and one font lookup, for every file of a batch.
            SettingsStore::KeepFirstRead();
            CFontLocator fonts;
            return RunExport(
                info,
                [&fonts](const CLabelContent& label, const std::string& path, int dpi,
                         const CFileWriteOptions& write) {
                    return ExportImageOrDocument(label, path, dpi, write, &fonts, write.document);
                },
                kScreenDpi);
        }
    default:
        break;
    }
    return StartWindowProgram(argv);
}

} // namespace

int main(int argc, char** argv) {
    // Memory freed after one symbol of a batch is kept for the next instead of going back to
    // the system and being asked for again.
    ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
    ::mallopt(M_TOP_PAD, 16 << 20);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("quillmark: There is not enough memory to finish the command.\n", stderr);
        return 1;
    }
}
