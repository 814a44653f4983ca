// The choice of a phone-server instance name among the servers that run: the name
// of a server without a client of the host's kind yet, or the next free number.
#pragma once

#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/Dde.h"
#include "sorrel/Types.h"

class SORREL_API CDDEStuff : public CObject {
 public:
  // The host's DDE instance and the service and topic string handles every phone
  // server answers to; the topic is also the item that gives a server's number.
  // None of them is owned.
  CDDEStuff(unsigned long dwDDEInst, HSZ hszService, HSZ hszTopic);
  virtual ~CDDEStuff();

  // nMode 0: for the phone book host (item "41"), 1: for the SMS tool (item "40"),
  // 2: only the next free number, the found flag left as it is. Writes the name
  // ("Tovik" and the number) and the number; *pbFound is 1 when a running server
  // without such a client was chosen, 0 when the name is a new one. 1 on success,
  // 0 when more than 64 servers answered (the number is then set, the name not).
  int GetFreeDDEServerName(UINT nMode, char* pszName, UINT* pnNumber, int* pbFound);
  // The same; the string is assigned only when the result is nonzero.
  int GetFreeDDEServerName(UINT nMode, CString& strName, UINT* pnNumber, int* pbFound);

 protected:
  DWORD m_dwDDEInst;
  HSZ m_hszService;
  HSZ m_hszTopic;
};
