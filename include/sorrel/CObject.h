// The root object class with run-time class information and creation by class
// description, as the class library provides it.
#pragma once

#include "sorrel/Types.h"

class CObject;
class CArchive;
class CDumpContext;

struct SORREL_API CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;

  // A new object of this class, or null when the class cannot be created
  // from its description (it was declared without DECLARE_DYNCREATE).
  CObject* CreateObject();
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
  // The class registered under this name, or null.
  static CRuntimeClass* FromName(LPCSTR lpszClassName);
};

// Makes a run-time class findable by name (FromName); used by IMPLEMENT_DYNAMIC.
struct SORREL_API AFX_CLASSINIT {
  explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

class SORREL_API CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& dc) const;

  BOOL IsKindOf(const CRuntimeClass* pClass) const;

  static CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)            \
 public:                                       \
  static CRuntimeClass class##class_name;      \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define SORREL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)          \
  CRuntimeClass class_name::class##class_name = {#class_name,                       \
                                                 int(sizeof(class class_name)),     \
                                                 0xFFFF, pfnNew,                    \
                                                 RUNTIME_CLASS(base_class_name)};   \
  static const AFX_CLASSINIT _init_##class_name(RUNTIME_CLASS(class_name));        \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  SORREL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                   \
  CObject* class_name::CreateObject() { return new class_name; }          \
  SORREL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, class_name::CreateObject)
