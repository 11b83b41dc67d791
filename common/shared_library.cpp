#include "common/shared_library.h"

#include <dlfcn.h>

void* CSharedLibrary::Symbol(const char* name) {
    if (!m_tried) {
        m_tried = true;
        m_handle = ::dlopen(m_soname, RTLD_NOW | RTLD_LOCAL);
        if (!m_handle) {
            const char* why = ::dlerror();
            m_error = why ? why : std::string(m_soname) + " cannot be loaded";
        }
    }
    if (!m_handle) return nullptr;
    ::dlerror();
    void* symbol = ::dlsym(m_handle, name);
    if (!symbol) m_error = std::string(m_soname) + " has no " + name;
    return symbol;
}
