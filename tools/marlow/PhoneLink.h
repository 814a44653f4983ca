// The conversation with the phone server on the phone book topic: the group line,
// the number of slots, each slot's line, and changed lines poked back. One
// instance of the server is reached by its own instance name ("Tovik1").
#pragma once

#include <string>

#include <sorrel/Dde.h>

namespace marlow {

class Book;

class PhoneLink {
 public:
  PhoneLink() = default;
  ~PhoneLink();
  PhoneLink(const PhoneLink&) = delete;
  PhoneLink& operator=(const PhoneLink&) = delete;

  // Joins the session bus as a DDE client; false with the reason.
  bool Initialize(std::string& error);
  DWORD Instance() const { return m_inst; }

  // Opens the phone book conversation with the server of that instance name.
  bool Connect(const std::string& instanceName, std::string& error);
  bool Connected() const { return m_conv != nullptr; }
  const std::string& ServerName() const { return m_server; }

  // The groups and every slot into the book, replacing what it held.
  bool Load(Book& book, std::string& error);
  // One slot's new line to the phone; false with the reason when it is refused.
  bool Send(unsigned slot, const std::string& line, std::string& error);

 private:
  bool Request(const char* item, std::string& value, std::string& error);
  std::string Reason(const char* what) const;

  DWORD m_inst = 0;
  HCONV m_conv = nullptr;
  std::string m_server;
};

}  // namespace marlow
