// sorrel servers: the phone servers running on the session bus, with their numbers
// and the clients they have, as a host sees them when it chooses an instance name.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
#include "sorrel/Sorrel.h"

namespace {

struct Reply {
  bool ok = false;
  std::string text;
  UINT error = DMLERR_NO_ERROR;
};

Reply Ask(DWORD inst, HCONV conv, const char* item) {
  Reply r;
  HSZ hsz = DdeCreateStringHandleA(inst, item, CP_WINANSI);
  HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, hsz, CF_TEXT, XTYP_REQUEST, 2000, nullptr);
  r.error = DdeGetLastError(inst);
  DdeFreeStringHandle(inst, hsz);
  if (!data) return r;
  DWORD size = DdeGetData(data, nullptr, 0, 0);
  std::vector<char> text(size + 1, '\0');
  DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
  DdeFreeDataHandle(data);
  r.ok = true;
  r.text = text.data();
  return r;
}

const char* Reason(UINT error) {
  switch (error) {
    case DMLERR_DATAACKTIMEOUT: return "no answer within 2000 ms";
    case DMLERR_SERVER_DIED: return "the server ended during the request";
    case DMLERR_MEMORY_ERROR: return "an answer larger than a request may bring";
    case DMLERR_NOTPROCESSED: return "an answer of the wrong kind, or none";
    default: return "the request failed";
  }
}

int Run(const tool::Args&) {
  DWORD inst = 0;
  if (DdeInitializeA(&inst, nullptr, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    return tool::Fail("servers", "no session bus (DBUS_SESSION_BUS_ADDRESS)");
  HSZ service = DdeCreateStringHandleA(inst, QUILLON_SERVICE, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(inst, QUILLON_TOPIC_INSTANCE, CP_WINANSI);
  HCONVLIST list = DdeConnectList(inst, service, topic, nullptr, nullptr);
  int status = tool::kOk;
  bool ok = std::printf("%-10s %6s  %-15s %s\n", "NAME", "NUMBER", "PHONE BOOK HOST", "SMS TOOL") > 0;
  int count = 0;
  for (HCONV conv = nullptr; (conv = DdeQueryNextServer(list, conv)) != nullptr;) {
    ++count;
    Reply number = Ask(inst, conv, QUILLON_TOPIC_INSTANCE);
    if (!number.ok) {
      ok = ok && std::printf("%-10s %6s  %s\n", "?", "?", Reason(number.error)) > 0;
      status = tool::kFindings;
      continue;
    }
    int n = std::atoi(number.text.c_str());
    std::string name = "Tovik" + std::to_string(n);
    bool book = Ask(inst, conv, QUILLON_ITEM_BOOK_CLIENT).ok, sms = Ask(inst, conv, QUILLON_ITEM_SMS_CLIENT).ok;
    ok = ok && std::printf("%-10s %6d  %-15s %s\n", name.c_str(), n, book ? "yes" : "no", sms ? "yes" : "no") > 0;
  }
  if (list) DdeDisconnectList(list);
  CDDEStuff dde(inst, service, topic);
  CString next;
  UINT number = 0;
  int found = 0;
  if (dde.GetFreeDDEServerName(0, next, &number, &found))
    ok = ok && std::printf("%d running; a phone book host would take %s (%s)\n", count, static_cast<const char*>(next),
                           found ? "a running server" : "a new server") > 0;
  else
    ok = ok && std::printf("%d running; more than 64 answer, so no name is free\n", count) > 0;
  DdeFreeStringHandle(inst, service);
  DdeFreeStringHandle(inst, topic);
  DdeUninitialize(inst);
  if (!ok || std::fflush(stdout) != 0) return tool::Fail("servers", "standard output could not be written");
  return status;
}

const tool::CommandSpec kSpec{
    "servers", "list the phone servers running on the session bus", "", 0, 0,
    "Lists the phone servers (Quillon) that serve the DDE service \"Quillon\" on the\n"
    "session bus, in the order they started: the instance name, the number the\n"
    "server reports, and whether a phone book host (item \"41\") and an SMS tool\n"
    "(item \"40\") are attached. A server that does not answer within 2000 ms is\n"
    "listed with the reason. Then the name a phone book host would take now.\n",
    {},
    "Exit status: 0 listed (none running included), 1 a server did not answer,\n"
    "2 no session bus.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
