#include "PhoneLink.h"

#include <sorrel/Quillon.h>

#include <cstdlib>

#include "Book.h"

namespace marlow {

namespace {

// Requests get two seconds, as the library's own do.
constexpr DWORD kTimeout = 2000;

// A client takes nothing from the servers.
HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

// A string handle for the length of one call.
class StringHandle {
 public:
  StringHandle(DWORD inst, const char* text) : m_inst(inst), m_hsz(DdeCreateStringHandleA(inst, text, CP_WINANSI)) {}
  ~StringHandle() {
    if (m_hsz) DdeFreeStringHandle(m_inst, m_hsz);
  }
  StringHandle(const StringHandle&) = delete;
  StringHandle& operator=(const StringHandle&) = delete;
  operator HSZ() const { return m_hsz; }

 private:
  DWORD m_inst;
  HSZ m_hsz;
};

}  // namespace

PhoneLink::~PhoneLink() {
  if (m_conv) DdeDisconnect(m_conv);
  if (m_inst) DdeUninitialize(m_inst);
}

std::string PhoneLink::Reason(const char* what) const {
  const UINT code = m_inst ? DdeGetLastError(m_inst) : DMLERR_DLL_NOT_INITIALIZED;
  std::string text = std::string(what) + " (";
  switch (code) {
    case DMLERR_NO_CONV_ESTABLISHED: text += "server neodpovídá"; break;
    case DMLERR_NOTPROCESSED: text += "server požadavek odmítl"; break;
    case DMLERR_DATAACKTIMEOUT:
    case DMLERR_POKEACKTIMEOUT: text += "vypršel čas odpovědi"; break;
    case DMLERR_SERVER_DIED: text += "server skončil"; break;
    case DMLERR_SYS_ERROR: text += "sběrnice sezení není dostupná"; break;
    default: text += "chyba DDE " + std::to_string(code); break;
  }
  return text + ")";
}

bool PhoneLink::Initialize(std::string& error) {
  if (m_inst) return true;
  if (DdeInitializeA(&m_inst, &ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    m_inst = 0;
    error = "Nelze se připojit ke sběrnici sezení (D-Bus)";
    return false;
  }
  return true;
}

bool PhoneLink::Connect(const std::string& instanceName, std::string& error) {
  if (!Initialize(error)) return false;
  if (m_conv) DdeDisconnect(m_conv);
  StringHandle service(m_inst, instanceName.c_str());
  StringHandle topic(m_inst, QUILLON_TOPIC_BOOK);
  m_conv = DdeConnect(m_inst, service, topic, nullptr);
  if (!m_conv) {
    error = Reason(("Spojení s Quillonem " + instanceName + " se nezdařilo").c_str());
    return false;
  }
  m_server = instanceName;
  return true;
}

bool PhoneLink::Request(const char* item, std::string& value, std::string& error) {
  StringHandle hszItem(m_inst, item);
  HDDEDATA data = DdeClientTransaction(nullptr, 0, m_conv, hszItem, CF_TEXT, XTYP_REQUEST, kTimeout, nullptr);
  if (!data) {
    error = Reason((std::string("Quillon nevydal položku ") + item).c_str());
    return false;
  }
  const DWORD size = DdeGetData(data, nullptr, 0, 0);
  value.assign(size, '\0');
  if (size) DdeGetData(data, reinterpret_cast<LPBYTE>(value.data()), size, 0);
  DdeFreeDataHandle(data);
  // CF_TEXT ends at its zero byte.
  if (auto zero = value.find('\0'); zero != std::string::npos) value.resize(zero);
  return true;
}

bool PhoneLink::Load(Book& book, std::string& error) {
  if (!m_conv) {
    error = "Telefon není připojen";
    return false;
  }
  std::string groups;
  std::string count;
  if (!Request(QUILLON_ITEM_GROUPS, groups, error) || !Request(QUILLON_ITEM_COUNT, count, error)) return false;
  const long slotList = std::strtol(count.c_str(), nullptr, 10);
  if (slotList < 0 || slotList > 100000) {
    error = "Quillon ohlásil nesmyslný počet pozic: " + count;
    return false;
  }
  book.Clear();
  book.growable = false;
  book.SetGroupLine(groups);
  for (long n = 1; n <= slotList; ++n) {
    std::string line;
    if (!Request(std::to_string(n).c_str(), line, error)) return false;
    book.AddSlotLine(line);
  }
  return true;
}

bool PhoneLink::Send(unsigned slot, const std::string& line, std::string& error) {
  if (!m_conv) {
    error = "Telefon není připojen";
    return false;
  }
  StringHandle item(m_inst, std::to_string(slot).c_str());
  std::string data = line;
  data.push_back('\0');
  HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()), DWORD(data.size()), m_conv, item,
                                         CF_TEXT, XTYP_POKE, kTimeout, nullptr);
  if (!result) {
    error = Reason(("Quillon nepřijal pozici " + std::to_string(slot)).c_str());
    return false;
  }
  return true;
}

}  // namespace marlow
