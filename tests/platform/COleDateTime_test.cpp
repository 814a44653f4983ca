#include <gtest/gtest.h>

#include <array>

#include "sorrel/COleDateTime.h"
#include "support/Cases.h"

TEST(COleDateTime, CalendarDatesAndTheirValues) {
  auto cases = sorrel::test::ReadCases("platform/data/dates.tsv");
  ASSERT_FALSE(cases.empty());
  for (const auto& c : cases) {
    int f[6];
    for (int i = 0; i < 6; ++i) f[i] = std::stoi(c[size_t(i)]);
    SCOPED_TRACE(c[0] + "-" + c[1] + "-" + c[2] + " " + c[3] + ":" + c[4] + ":" + c[5]);
    COleDateTime dt(36526.0);
    const bool valid = c.size() > 6;
    EXPECT_EQ(dt.SetDateTime(f[0], f[1], f[2], f[3], f[4], f[5]), valid ? 0 : 1);
    EXPECT_EQ(dt.GetStatus(), valid ? COleDateTime::valid : COleDateTime::invalid);
    EXPECT_DOUBLE_EQ(dt.m_dt, valid ? std::stod(c[6]) : 0.0);
    if (!valid) {
      EXPECT_EQ(dt.Format("%Y-%m-%d"), "");
      EXPECT_EQ(dt.GetYear(), -1);
      continue;
    }
    // And back from the value.
    COleDateTime back(dt.m_dt);
    EXPECT_EQ((std::array{back.GetYear(), back.GetMonth(), back.GetDay(), back.GetHour()}),
              (std::array{f[0], f[1], f[2], f[3]}));
    EXPECT_EQ(back.Format("%Y-%m-%d").str(), c[7]);
  }
}

TEST(COleDateTime, PartsAndFormatting) {
  COleDateTime dt(2000, 1, 1, 13, 45, 30);
  EXPECT_EQ((std::array{dt.GetMinute(), dt.GetSecond(), dt.GetDayOfWeek(), dt.GetDayOfYear()}),
            (std::array{45, 30, 7, 1}));  // a Saturday; 1 is Sunday
  EXPECT_EQ(dt.Format("%d.%m.%Y %H:%M:%S"), "01.01.2000 13:45:30");
  EXPECT_EQ(COleDateTime(1975, 3, 7, 0, 0, 0).GetDayOfWeek(), 6);  // a Friday
  EXPECT_EQ(COleDateTime(2024, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
  EXPECT_EQ(dt.Format(nullptr), "");
  // Values outside the years 100 to 9999 have no calendar form.
  EXPECT_EQ(COleDateTime(-700000.0).Format("%Y"), "");
  EXPECT_EQ(COleDateTime(3000000.0).GetYear(), -1);
  // Seconds that round up to midnight roll over to the next day.
  EXPECT_EQ(COleDateTime(36526.0 + 0.9999999).Format("%Y-%m-%d %H:%M:%S"), "2000-01-02 00:00:00");
}
