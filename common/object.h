#pragma once
// Serialisable objects with run-time class records, so a file can name a class and the loader
// can create an instance of it by that name.

#include <memory>
#include <string_view>

class CArchive;
class CObject;

// One record per class: its exact name, size, schema number, how to create it, and its base.
struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned m_wSchema;
    CObject* (*m_pfnCreateObject)(); // null for classes that cannot be instantiated
    const CRuntimeClass* m_pBaseClass;
    CObject* (*m_pfnCopyObject)(const CObject&) = nullptr; // null as m_pfnCreateObject is

    // A new instance, or null when the class creates nothing (an abstract base).
    std::unique_ptr<CObject> CreateObject() const;
    // A copy of `object`, which is of this very class; null when the class creates nothing.
    std::unique_ptr<CObject> CopyObject(const CObject& object) const;
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    // Looks a registered class up by its exact (case-sensitive) name.
    static const CRuntimeClass* FromName(std::string_view className);
    // Makes a record findable by name; registering the same record twice is harmless.
    static void Register(const CRuntimeClass* record);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* cls) const;

    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// In the class body: the record and its accessor.
#define DECLARE_SERIAL(class_name)                                                                 \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    const CRuntimeClass* GetRuntimeClass() const override;                                         \
    static CObject* CreateObject();                                                                \
    static CObject* CopyObject(const CObject& object);

// In one source file: the record of a class that can be created by name.
#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                                      \
    CObject* class_name::CreateObject() {                                                          \
        return new class_name;                                                                     \
    }                                                                                              \
    CObject* class_name::CopyObject(const CObject& object) {                                       \
        return new class_name(static_cast<const class_name&>(object));                             \
    }                                                                                              \
    const CRuntimeClass class_name::class##class_name = {#class_name,                              \
                                                         static_cast<int>(sizeof(class_name)),     \
                                                         schema,                                   \
                                                         &class_name::CreateObject,                \
                                                         RUNTIME_CLASS(base_class_name),           \
                                                         &class_name::CopyObject};                 \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                     \
        return RUNTIME_CLASS(class_name);                                                          \
    }

// The record of an abstract class: it has a name and a schema but creates nothing.
#define DECLARE_ABSTRACT_SERIAL(class_name)                                                        \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_ABSTRACT_SERIAL(class_name, base_class_name, schema)                             \
    const CRuntimeClass class_name::class##class_name = {                                          \
        #class_name, static_cast<int>(sizeof(class_name)), schema,                                 \
        nullptr,     RUNTIME_CLASS(base_class_name),       nullptr};                               \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                     \
        return RUNTIME_CLASS(class_name);                                                          \
    }

// `object` as a `T`, owned: null (and `object` destroyed) when it is not one.
template <class T> std::unique_ptr<T> OwnedAs(std::unique_ptr<CObject> object) {
    if (!dynamic_cast<T*>(object.get())) return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(object.release()));
}
