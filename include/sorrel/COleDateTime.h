// The OLE Automation date: days since 30 December 1899 as a double, the fraction
// being the time of day.
#pragma once

#include "sorrel/CString.h"

class SORREL_API COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  COleDateTime() : m_dt(0.0), m_status(valid) {}
  COleDateTime(DATE dtSrc) : m_dt(dtSrc), m_status(valid) {}  // NOLINT
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

  // 0 on success; otherwise 1, with the value 0.0 and the status invalid.
  // Years 100 to 9999, months 1 to 12, days within the month, 00:00:00 to 23:59:59.
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
  int SetDate(int nYear, int nMonth, int nDay) { return SetDateTime(nYear, nMonth, nDay, 0, 0, 0); }
  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }

  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  int GetDayOfYear() const;

  // strftime formatting; the empty string for an invalid date or one outside
  // the years 100 to 9999.
  CString Format(LPCSTR pFormat) const;

  operator DATE() const { return m_dt; }  // NOLINT

  DATE m_dt;
  DateTimeStatus m_status;

 private:
  bool Split(int& y, int& mo, int& d, int& h, int& mi, int& s) const;
};
