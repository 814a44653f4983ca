#include "platform/Numbers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace sorrel {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

}  // namespace

int Atoi(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (!overflow) {
      value = value * 10 + (text[i] - '0');
      if (value > static_cast<long long>(INT_MAX) + 1) overflow = true;
    }
  }
  if (negative) {
    value = -value;
    if (overflow || value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
  }
  if (overflow || value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

double Atof(std::string_view text) {
  // strtod needs a terminated string; copy only the part that can be a number.
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  size_t end = i;
  while (end < text.size()) {
    char c = text[end];
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-')) break;
    ++end;
  }
  std::string number(text.substr(i, end - i));
  return strtod_l(number.c_str(), nullptr, CLocale());
}

int HexPair(char first, char second) {
  // strtol skips a leading blank and takes a sign; with two characters either
  // leaves room for one digit only ("=-1" is the byte 0xFF to a caller that
  // keeps the low byte).
  if (IsBlank(first)) return std::max(HexDigit(second), 0);
  if (first == '+' || first == '-') {
    int digit = std::max(HexDigit(second), 0);
    return first == '-' ? -digit : digit;
  }
  int hi = HexDigit(first);
  if (hi < 0) return 0;
  int lo = HexDigit(second);
  if (lo < 0) return hi;
  return hi * 16 + lo;
}

}  // namespace sorrel
