#include <gtest/gtest.h>

#include "sorrel/Splash.h"
#include "support/TestHost.h"

namespace {

using namespace sorrel::test;

constexpr const char* kTovik = "Software\\Tovik";

class SplashSettingsTest : public ::testing::Test {
 protected:
  TestHost host;
};

}  // namespace

TEST_F(SplashSettingsTest, StoringWithoutTheKeyCreatesNothingTheFirstReadCreatesIt) {
  SetSplashDelay2Registry(300);
  EXPECT_FALSE(KeyExists(kTovik));
  EXPECT_EQ(GetSplashDelayFromRegistry(), 2000u);
  EXPECT_EQ(ReadDword(kTovik, "SplashDelay"), 2000u);
}

TEST_F(SplashSettingsTest, MissingOrUnreadableValueReadsAsDefaultAndIsNotWritten) {
  WriteDword("Software\\Tovik\\Fonts", "x", 1);  // the key exists through a sub-key
  EXPECT_EQ(GetSplashDelayFromRegistry(), 2000u);
  EXPECT_FALSE(ReadRaw(kTovik, "SplashDelay"));
  WriteRaw(kTovik, "SplashDelay", REG_BINARY, std::string(5, '\0'));
  EXPECT_EQ(GetSplashDelayFromRegistry(), 2000u);
  EXPECT_EQ(ReadRaw(kTovik, "SplashDelay")->data.size(), 5u);
}

TEST_F(SplashSettingsTest, StoringShortensLongDelays) {
  GetSplashDelayFromRegistry();
  struct {
    DWORD requested, stored;
  } cases[] = {{0, 0}, {75, 75}, {500, 500}, {501, 426}, {2000, 1925}, {0xFFFFFFFF, 0xFFFFFFB4}};
  for (const auto& c : cases) {
    SetSplashDelay2Registry(c.requested);
    EXPECT_EQ(ReadDword(kTovik, "SplashDelay"), c.stored) << c.requested;
    EXPECT_EQ(GetSplashDelayFromRegistry(), c.stored);
  }
}
