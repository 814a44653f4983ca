#include <gtest/gtest.h>

#include <array>

#include "sorrel/COleDateTime.h"

TEST(COleDateTime, CalendarDatesAndTheirValues) {
  struct Case {
    int y, mo, d, h, mi, s;
    double value;
    const char* text;
  } cases[] = {
      {2000, 1, 1, 0, 0, 0, 36526.0, "2000-01-01"},
      {1975, 3, 7, 0, 0, 0, 27460.0, "1975-03-07"},
      {1799, 12, 31, 0, 0, 0, -36523.0, "1799-12-31"},  // the "no date" value
      {1899, 12, 30, 0, 0, 0, 0.0, "1899-12-30"},
      {1899, 12, 29, 6, 0, 0, -1.25, "1899-12-29"},    // before day 0 the time still counts forward
      {1900, 1, 1, 12, 0, 0, 2.5, "1900-01-01"},
      {2024, 2, 29, 0, 0, 0, 45351.0, "2024-02-29"},
      {100, 1, 1, 0, 0, 0, -657434.0, "100-01-01"},  // strftime does not pad the year
      {9999, 12, 31, 0, 0, 0, 2958465.0, "9999-12-31"},
  };
  for (const Case& c : cases) {
    COleDateTime dt(c.y, c.mo, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(dt.GetStatus(), COleDateTime::valid) << c.text;
    EXPECT_DOUBLE_EQ(dt.m_dt, c.value) << c.text;
    // And back from the value.
    COleDateTime back(c.value);
    EXPECT_EQ((std::array{back.GetYear(), back.GetMonth(), back.GetDay(), back.GetHour()}),
              (std::array{c.y, c.mo, c.d, c.h}))
        << c.text;
    EXPECT_EQ(back.Format("%Y-%m-%d"), c.text);
  }
}

TEST(COleDateTime, InvalidDatesGiveZeroAndStatusInvalid) {
  struct Case {
    int y, mo, d, h, mi, s;
  } cases[] = {
      {2001, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2000, 13, 1, 0, 0, 0}, {2000, 0, 1, 0, 0, 0},
      {2000, 4, 31, 0, 0, 0}, {2000, 1, 0, 0, 0, 0},  {99, 1, 1, 0, 0, 0},    {10000, 1, 1, 0, 0, 0},
      {2000, 1, 1, 24, 0, 0}, {2000, 1, 1, 0, 60, 0}, {2000, 1, 1, 0, 0, 60}, {2000, 1, 1, -1, 0, 0},
  };
  for (const Case& c : cases) {
    COleDateTime dt(36526.0);
    EXPECT_EQ(dt.SetDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), 1) << c.y << "-" << c.mo << "-" << c.d;
    EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(dt.m_dt, 0.0);
    EXPECT_EQ(dt.Format("%Y-%m-%d"), "");
    EXPECT_EQ(dt.GetYear(), -1);
  }
  COleDateTime leap;
  EXPECT_EQ(leap.SetDate(2000, 2, 29), 0);  // divisible by 400: a leap year
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
