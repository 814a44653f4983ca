#include <gtest/gtest.h>

#include <memory>

#include "sorrel/CObject.h"

namespace {

// A class with creation by class description, and one without.
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

TEST(CObject, CreationByClassDescription) {
  CRuntimeClass* rc = RUNTIME_CLASS(CCreatable);
  EXPECT_STREQ(rc->m_lpszClassName, "CCreatable");
  EXPECT_EQ(rc->m_nObjectSize, int(sizeof(CCreatable)));
  std::unique_ptr<CObject> obj(rc->CreateObject());
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->GetRuntimeClass(), rc);
  EXPECT_EQ(static_cast<CCreatable*>(obj.get())->m_nValue, 17);  // default-constructed

  // Declared without DECLARE_DYNCREATE: no creation, only type information.
  EXPECT_EQ(RUNTIME_CLASS(CDerived)->CreateObject(), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

TEST(CObject, KindOfFollowsTheBaseChain) {
  CDerived d;
  CCreatable c;
  EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CDerived)));
  EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CCreatable)));
  EXPECT_TRUE(d.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(c.IsKindOf(RUNTIME_CLASS(CDerived)));
  EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CCreatable)));
}

TEST(CObject, ClassesAreFoundByName) {
  EXPECT_EQ(CRuntimeClass::FromName("CCreatable"), RUNTIME_CLASS(CCreatable));
  EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}
