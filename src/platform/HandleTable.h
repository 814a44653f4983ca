// Handles of the Win32 kind for objects the library keeps (events, DDE data): an
// opaque number that names a shared object until it is closed. Numbers are never
// used twice, so a stale or made-up handle finds nothing instead of another object.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace sorrel {

template <class T>
class HandleTable {
 public:
  // Handles start above `first` and step by `step`, so that the kinds of handle
  // lie in ranges of their own.
  HandleTable(std::uintptr_t first, std::uintptr_t step) : m_next(first), m_step(step) {}

  std::uintptr_t Add(std::shared_ptr<T> object) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_next += m_step;
    m_objects.emplace(m_next, std::move(object));
    return m_next;
  }

  std::shared_ptr<T> Find(std::uintptr_t handle) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_objects.find(handle);
    return found == m_objects.end() ? nullptr : found->second;
  }

  // The object, out of the table; null when the handle names nothing. The caller's
  // reference may be the last one: the object then goes outside the table's lock.
  std::shared_ptr<T> Take(std::uintptr_t handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_objects.find(handle);
    if (found == m_objects.end()) return nullptr;
    std::shared_ptr<T> object = std::move(found->second);
    m_objects.erase(found);
    return object;
  }

  template <class Predicate>
  void EraseIf(Predicate predicate) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_objects, [&](const auto& entry) { return predicate(*entry.second); });
  }

 private:
  mutable std::mutex m_mutex;
  std::unordered_map<std::uintptr_t, std::shared_ptr<T>> m_objects;
  std::uintptr_t m_next;
  const std::uintptr_t m_step;
};

}  // namespace sorrel
