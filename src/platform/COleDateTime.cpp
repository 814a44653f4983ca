#include "sorrel/COleDateTime.h"

#include <cmath>
#include <ctime>

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date, and back.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// 1899-12-30, day 0 of OLE Automation dates; a constant, so that a date made
// while another file initialises its statics is already right.
constexpr long long kOleEpoch = DaysFromCivil(1899, 12, 30);

// The valid range of OLE dates: 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.99999;

}  // namespace

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
  SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
  if (nYear < 100 || nYear > 9999 || nMonth < 1 || nMonth > 12 || nDay < 1 ||
      nDay > DaysInMonth(nYear, nMonth) || nHour < 0 || nHour > 23 || nMin < 0 || nMin > 59 ||
      nSec < 0 || nSec > 59) {
    m_dt = 0.0;
    m_status = invalid;
    return 1;
  }
  long long days = DaysFromCivil(nYear, unsigned(nMonth), unsigned(nDay)) - kOleEpoch;
  double fraction = (nHour * 3600 + nMin * 60 + nSec) / 86400.0;
  // Before day 0 the fraction still counts forward from midnight: -1.25 is
  // 29 December 1899, 06:00.
  m_dt = days >= 0 ? double(days) + fraction : double(days) - fraction;
  m_status = valid;
  return 0;
}

bool COleDateTime::Split(int& y, int& mo, int& d, int& h, int& mi, int& s) const {
  if (m_status != valid || !(m_dt >= kMinDate && m_dt <= kMaxDate)) return false;
  double whole = std::trunc(m_dt);
  double fraction = std::fabs(m_dt - whole);
  long long seconds = std::llround(fraction * 86400.0);
  long long day = static_cast<long long>(whole);
  if (seconds >= 86400) {  // rounding reached the next midnight
    seconds -= 86400;
    day += m_dt >= 0 ? 1 : -1;
  }
  CivilFromDays(day + kOleEpoch, y, mo, d);
  h = int(seconds / 3600);
  mi = int(seconds / 60 % 60);
  s = int(seconds % 60);
  return true;
}

#define SORREL_DATE_PART(name, field)                \
  int COleDateTime::name() const {                  \
    int y, mo, d, h, mi, s;                         \
    return Split(y, mo, d, h, mi, s) ? field : -1;  \
  }
SORREL_DATE_PART(GetYear, y)
SORREL_DATE_PART(GetMonth, mo)
SORREL_DATE_PART(GetDay, d)
SORREL_DATE_PART(GetHour, h)
SORREL_DATE_PART(GetMinute, mi)
SORREL_DATE_PART(GetSecond, s)
#undef SORREL_DATE_PART

int COleDateTime::GetDayOfWeek() const {
  int y, mo, d, h, mi, s;
  if (!Split(y, mo, d, h, mi, s)) return -1;
  long long days = DaysFromCivil(y, unsigned(mo), unsigned(d));  // 1970-01-01 was a Thursday
  return int(((days % 7) + 7 + 4) % 7) + 1;
}

int COleDateTime::GetDayOfYear() const {
  int y, mo, d, h, mi, s;
  if (!Split(y, mo, d, h, mi, s)) return -1;
  return int(DaysFromCivil(y, unsigned(mo), unsigned(d)) - DaysFromCivil(y, 1, 1)) + 1;
}

CString COleDateTime::Format(LPCSTR pFormat) const {
  int y, mo, d, h, mi, s;
  if (!pFormat || !Split(y, mo, d, h, mi, s)) return CString();
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_wday = GetDayOfWeek() - 1;
  tm.tm_yday = GetDayOfYear() - 1;
  char buffer[512];
  size_t n = std::strftime(buffer, sizeof buffer, pFormat, &tm);
  return CString(buffer, int(n));
}
