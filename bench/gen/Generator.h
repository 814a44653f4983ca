// Seeded, deterministic phone books and vCard files of any size, for the
// benchmarks and for anyone who needs a big realistic phone book. The entries
// are built through the library's own setters and written by its own writers,
// so the files are exactly what a host and the phone server would exchange.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sorrel/Sorrel.h"

namespace gen {

// splitmix64: the same numbers on every machine and compiler, unlike the
// standard distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next();
  // A number in [0, n); n must be non-zero.
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  // True with the given chance in percent.
  bool Percent(std::uint32_t chance) { return Below(100) < chance; }

 private:
  std::uint64_t m_state;
};

// A generated phone book: the caller groups and one entry per slot. A null
// entry stands for an empty slot ("EMPTY" in the phone book file).
struct Book {
  CGroups groups;
  std::vector<std::unique_ptr<CEntry>> entries;
};

// The caller groups every generated book has (with a Czech name among them,
// and "VIP").
void FillGroups(CGroups& groups);

// count slots of a phone book for the seed. About a third of the entries hold
// letters outside ASCII; locations 1, 2 and 12 carry extended items, most of
// them filled; some slots are empty.
std::unique_ptr<Book> MakeBook(std::uint64_t seed, std::size_t count, bool withEmptySlots = true);

// The phone book file: the long group text, then one phone text form line with
// location (and synchronisation identifier) per slot, "EMPTY" for an empty one.
std::string PhoneBookText(const Book& book);

enum class CardForm { V21Utf8, V21Utf7, V10 };
// One card per non-empty slot, as the library's writer produces it.
std::string VCardText(const Book& book, CardForm form);

}  // namespace gen
