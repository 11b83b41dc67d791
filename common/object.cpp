#include "common/object.h"

#include <mutex>
#include <vector>

namespace {

struct ClassRegistry {
    std::mutex mutex;
    std::vector<const CRuntimeClass*> records;
};

// Function-local so that registration from other translation units' static initialisers finds
// it constructed.
ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

} // namespace

std::unique_ptr<CObject> CRuntimeClass::CopyObject(const CObject& object) const {
    if (!m_pfnCopyObject || object.GetRuntimeClass() != this) return nullptr;
    return std::unique_ptr<CObject>(m_pfnCopyObject(object));
}

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    if (!m_pfnCreateObject) return nullptr;
    return std::unique_ptr<CObject>(m_pfnCreateObject());
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view className) {
    ClassRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    for (const CRuntimeClass* record : reg.records)
        if (className == record->m_lpszClassName) return record;
    if (className == CObject::classCObject.m_lpszClassName) return &CObject::classCObject;
    return nullptr;
}

void CRuntimeClass::Register(const CRuntimeClass* record) {
    ClassRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    for (const CRuntimeClass* known : reg.records)
        if (known == record) return;
    reg.records.push_back(record);
}

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                             nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* cls) const {
    return GetRuntimeClass()->IsDerivedFrom(cls);
}
