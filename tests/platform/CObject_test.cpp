#include <gtest/gtest.h>

#include <memory>

#include "sorrel/CObject.h"

namespace {

class CCreatable : public CObject {
  DECLARE_DYNCREATE(CCreatable)
 public:
  int m_nValue = 17;
};
IMPLEMENT_DYNCREATE(CCreatable, CObject)

class CDerived : public CCreatable {
  DECLARE_DYNAMIC(CDerived)
};
IMPLEMENT_DYNAMIC(CDerived, CCreatable)

}  // namespace

TEST(CObject, CreationKindAndLookupByName) {
  CRuntimeClass* rc = RUNTIME_CLASS(CCreatable);
  EXPECT_EQ(rc->m_nObjectSize, int(sizeof(CCreatable)));
  std::unique_ptr<CObject> obj(rc->CreateObject());
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->GetRuntimeClass(), rc);
  EXPECT_EQ(static_cast<CCreatable*>(obj.get())->m_nValue, 17);  // default-constructed
  // Without DECLARE_DYNCREATE: type information only.
  EXPECT_EQ(RUNTIME_CLASS(CDerived)->CreateObject(), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);

  CDerived d;
  EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CCreatable)));
  EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(obj->IsKindOf(RUNTIME_CLASS(CDerived)));
  EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CCreatable)));

  EXPECT_EQ(CRuntimeClass::FromName("CCreatable"), rc);
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}
