#include "sorrel/DDEStuff.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/DdeInternal.h"
#include "sorrel/CArray.h"

namespace {

constexpr DWORD kTimeout = 2000;
constexpr INT_PTR kMaxServers = 64;

void WriteName(char* pszName, UINT number) {
  if (pszName) std::sprintf(pszName, "%s%d", "Tovik", static_cast<int>(number));
}

}  // namespace

CDDEStuff::CDDEStuff(unsigned long dwDDEInst, HSZ hszService, HSZ hszTopic)
    : m_dwDDEInst(static_cast<DWORD>(dwDDEInst)), m_hszService(hszService), m_hszTopic(hszTopic) {}

CDDEStuff::~CDDEStuff() = default;

int CDDEStuff::GetFreeDDEServerName(UINT nMode, char* pszName, UINT* pnNumber, int* pbFound) {
  const char* second = nMode == 0 ? "41" : "40";
  HCONVLIST list = DdeConnectList(m_dwDDEInst, m_hszService, m_hszTopic, nullptr, nullptr);

  // Every server is asked at once; the loop below takes the replies in list order,
  // so the outcome is the one asking them one after another gives, but servers
  // that never answer cost one time-out together.
  HSZ secondAhead = nMode != 2 ? DdeCreateStringHandleA(m_dwDDEInst, second, CP_WINANSI) : nullptr;
  sorrel::dde::StartRequests(list, m_hszTopic, secondAhead, CF_TEXT, kTimeout);

  CArray<UINT, UINT> numbers;
  HCONV conv = nullptr;
  while ((conv = DdeQueryNextServer(list, conv)) != nullptr) {
    HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, m_hszTopic, CF_TEXT, XTYP_REQUEST, kTimeout, nullptr);
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    if (size == 0) {
      if (data) DdeFreeDataHandle(data);
      continue;
    }
    std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
    DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
    UINT reported = static_cast<UINT>(std::atoi(text.data()));
    if (DdeGetLastError(m_dwDDEInst) == DMLERR_NO_ERROR) numbers.Add(reported);
    DdeFreeDataHandle(data);

    if (nMode != 2) {
      HSZ item = DdeCreateStringHandleA(m_dwDDEInst, second, CP_WINANSI);
      HDDEDATA attached = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, kTimeout, nullptr);
      DdeFreeStringHandle(m_dwDDEInst, item);
      if (!attached) {
        // This server has no client of the host's kind yet: the host takes it.
        if (secondAhead) DdeFreeStringHandle(m_dwDDEInst, secondAhead);
        DdeDisconnectList(list);
        if (pnNumber) *pnNumber = reported;
        WriteName(pszName, reported);
        if (pbFound) *pbFound = 1;
        return 1;
      }
      DdeFreeDataHandle(attached);
    }
  }
  if (secondAhead) DdeFreeStringHandle(m_dwDDEInst, secondAhead);
  if (list) DdeDisconnectList(list);

  UINT number = 1;
  if (numbers.GetSize() > 0) {
    UINT largest = numbers[0];
    for (INT_PTR i = 1; i < numbers.GetSize(); ++i)
      if (numbers[i] > largest) largest = numbers[i];
    number = largest + 1;
  }
  if (pnNumber) *pnNumber = number;
  if (numbers.GetSize() > kMaxServers) return 0;
  WriteName(pszName, number);
  if (nMode != 2 && pbFound) *pbFound = 0;
  return 1;
}

int CDDEStuff::GetFreeDDEServerName(UINT nMode, CString& strName, UINT* pnNumber, int* pbFound) {
  char name[32] = {};
  int result = GetFreeDDEServerName(nMode, name, pnNumber, pbFound);
  if (result) strName = name;
  return result;
}
