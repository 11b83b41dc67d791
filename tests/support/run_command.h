#pragma once
// Runs an outside tool (an image reader, a converter) the way a user would from a shell.

#include <cstdio>
#include <string>

// The command's standard output, with its standard error too when `withErrors` is set; `ok`
// tells whether it exited with 0.
inline std::string RunCommand(const std::string& command, bool* ok = nullptr,
                              bool withErrors = false) {
    std::string out;
    FILE* p = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    if (ok) *ok = status == 0;
    return out;
}
