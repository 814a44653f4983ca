// quillon: a phone-server simulator. It registers on the session bus under the
// phone servers' service and its own instance name, answers the hosts' requests,
// serves a phone book file and takes changed entries back into it, and sets
// "QuillonConnectEvent" as a server does once its phone is connected.
#include <signal.h>
#include <strings.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Hostile.h"
#include "ServedBook.h"
#include "sorrel/Sorrel.h"

namespace {

const char kUsage[] =
    "usage: quillon [-NAME] [--book FILE] [--connect-after MS] [options]\n"
    "\n"
    "A phone-server simulator. It serves the DDE service \"Quillon\" and its instance\n"
    "name on the session bus; a host finds it with CDDEStuff::GetFreeDDEServerName\n"
    "and `sorrel servers` lists it.\n"
    "\n"
    "  -NAME               the instance name to serve (the wait dialog starts\n"
    "                      \"Quillon -Tovik3 -Tovik3\"); its digits are the instance\n"
    "                      number. Without it the server takes the next free name by\n"
    "                      the library's rule (the largest running number + 1).\n"
    "  --book FILE         the phone book to serve: the caller-group line, then one\n"
    "                      line per slot in the phone text form (\"EMPTY\": empty slot)\n"
    "  --connect-after MS  set \"QuillonConnectEvent\" MS ms after start, as if the\n"
    "                      phone had connected (default 1000; -1: never)\n"
    "  --book-client       answer item \"41\" as if a phone book host were attached\n"
    "  --sms-client        answer item \"40\" as if an SMS tool were attached\n"
    "  --log FILE          append \"<topic> <item>\" for every request received\n"
    "  --exit-after MS     end after MS ms\n"
    "  --misbehave HOW     answer requests badly, to try hosts against: hang (never\n"
    "                      answer), slow:MS (answer after MS ms), noise (bytes that\n"
    "                      are no number), garbage (more values than the answer has),\n"
    "                      wrong-type (a string instead of bytes), oversized (2 MiB)\n"
    "  --help              this text\n"
    "\n"
    "Topic \"Instance\" (CF_TEXT, every value ends in a zero byte):\n"
    "  \"Instance\"   the instance number\n"
    "  \"41\", \"40\"   \"1\" while a phone book host / SMS tool holds a conversation on\n"
    "               topic \"Phonebook\" / \"SMS\"; refused (DMLERR_NOTPROCESSED) while none\n"
    "Topic \"Phonebook\" (needs --book):\n"
    "  request \"Groups\"      the caller-group line\n"
    "  request \"Count\"       the number of slots\n"
    "  request \"1\"..\"N\"      the slot's entry line, \"EMPTY\" for an empty slot\n"
    "  poke \"1\"..\"N\"         a changed entry line (GetAsText; its closing line break is\n"
    "                        dropped); the file is written anew (a new file renamed\n"
    "                        over it) before the poke is acknowledged\n"
    "\n"
    "SIGTERM or SIGINT ends the server cleanly. Exit status: 0 ended, 2 usage error\n"
    "or no bus.\n";

volatile int g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct Options {
  std::string name;
  std::string book;
  long connectAfter = 1000;
  bool bookClient = false, smsClient = false;
  std::string log;
  long exitAfter = -1;
  std::string misbehave;
};

// One row per option: its name, whether it takes a value, and where it goes.
struct OptionRow {
  const char* name;
  bool value;
  void (*apply)(Options&, const char*);
};

long Number(const char* text) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  return (*text && !*end && errno == 0) ? v : -2;
}

const OptionRow kOptions[] = {
    {"--book", true, [](Options& o, const char* v) { o.book = v; }},
    {"--connect-after", true, [](Options& o, const char* v) { o.connectAfter = Number(v); }},
    {"--book-client", false, [](Options& o, const char*) { o.bookClient = true; }},
    {"--sms-client", false, [](Options& o, const char*) { o.smsClient = true; }},
    {"--log", true, [](Options& o, const char* v) { o.log = v; }},
    {"--exit-after", true, [](Options& o, const char* v) { o.exitAfter = Number(v); }},
    {"--misbehave", true, [](Options& o, const char* v) { o.misbehave = v; }},
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "quillon: %s\n(quillon --help tells the options)\n", message.c_str());
  return 2;
}

// ---- the server's state, reached from the DDE callback

struct Server {
  Options options;
  DWORD inst = 0;
  UINT number = 0;
  quillon::ServedBook book;
  std::map<HCONV, std::string> convs;  // conversation -> topic
  FILE* log = nullptr;
} g_server;

std::string Text(HSZ hsz) {
  char buf[256] = {};
  DdeQueryStringA(g_server.inst, hsz, buf, sizeof buf, CP_WINANSI);
  return buf;
}

bool Is(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

HDDEDATA TextData(const std::string& text, HSZ item) {
  return DdeCreateDataHandle(g_server.inst, reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                             static_cast<DWORD>(text.size() + 1), 0, item, CF_TEXT, 0);
}

bool Attached(const char* topic) {
  for (const auto& [conv, t] : g_server.convs)
    if (Is(t, topic)) return true;
  return false;
}

// The slot an item names: "1" to the book's count, else 0.
size_t SlotOf(const std::string& item) {
  long n = Number(item.c_str());
  return n >= 1 && static_cast<size_t>(n) <= g_server.book.Count() ? static_cast<size_t>(n) : 0;
}

HDDEDATA Request(const std::string& topic, const std::string& item, HSZ hszItem) {
  if (Is(topic, QUILLON_TOPIC_INSTANCE)) {
    if (Is(item, QUILLON_TOPIC_INSTANCE)) return TextData(std::to_string(g_server.number), hszItem);
    if (Is(item, QUILLON_ITEM_BOOK_CLIENT))
      return g_server.options.bookClient || Attached(QUILLON_TOPIC_BOOK) ? TextData("1", hszItem) : nullptr;
    if (Is(item, QUILLON_ITEM_SMS_CLIENT))
      return g_server.options.smsClient || Attached(QUILLON_TOPIC_SMS) ? TextData("1", hszItem) : nullptr;
    return nullptr;
  }
  if (Is(topic, QUILLON_TOPIC_BOOK) && g_server.book.Loaded()) {
    if (Is(item, QUILLON_ITEM_GROUPS)) return TextData(g_server.book.Groups(), hszItem);
    if (Is(item, QUILLON_ITEM_COUNT)) return TextData(std::to_string(g_server.book.Count()), hszItem);
    if (size_t n = SlotOf(item)) return TextData(*g_server.book.Slot(n), hszItem);
  }
  return nullptr;
}

HDDEDATA Poke(const std::string& topic, const std::string& item, HDDEDATA data) {
  if (!Is(topic, QUILLON_TOPIC_BOOK) || !g_server.book.Loaded()) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  size_t n = SlotOf(item);
  DWORD size = DdeGetData(data, nullptr, 0, 0);
  std::string line(size, '\0');
  DdeGetData(data, reinterpret_cast<LPBYTE>(line.data()), size, 0);
  line.resize(std::strlen(line.c_str()));  // the text ends at its zero byte
  // GetAsText ends a line that has its location with a line break: one is dropped.
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::string error;
  if (!n || !g_server.book.Replace(n, line, &error)) {
    if (!error.empty()) std::fprintf(stderr, "quillon: %s\n", error.c_str());
    return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  }
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HDDEDATA Callback(UINT type, UINT fmt, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT: {
      std::string topic = Text(hsz1);
      return reinterpret_cast<HDDEDATA>(
          Is(topic, QUILLON_TOPIC_INSTANCE) || Is(topic, QUILLON_TOPIC_BOOK) || Is(topic, QUILLON_TOPIC_SMS));
    }
    case XTYP_CONNECT_CONFIRM:
      g_server.convs[conv] = Text(hsz1);
      return nullptr;
    case XTYP_DISCONNECT:
      g_server.convs.erase(conv);
      return nullptr;
    case XTYP_REQUEST: {
      std::string topic = Text(hsz1), item = Text(hsz2);
      if (g_server.log) {
        std::fprintf(g_server.log, "%s %s\n", topic.c_str(), item.c_str());
        std::fflush(g_server.log);
      }
      return fmt == CF_TEXT ? Request(topic, item, hsz2) : nullptr;
    }
    case XTYP_POKE:
      return fmt == CF_TEXT ? Poke(Text(hsz1), Text(hsz2), data) : reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    default:
      return nullptr;
  }
}

// The connect event, set once when its time has come and held until the end.
HANDLE g_connectEvent = nullptr;
std::uint64_t g_started = 0;

void Tick() {
  const Options& o = g_server.options;
  std::uint64_t elapsed = quillon::NowMs() - g_started;
  if (!g_connectEvent && o.connectAfter >= 0 && elapsed >= static_cast<std::uint64_t>(o.connectAfter)) {
    g_connectEvent = CreateEventA(nullptr, FALSE, FALSE, QUILLON_CONNECT_EVENT);
    if (g_connectEvent) SetEvent(g_connectEvent);
  }
  if (o.exitAfter >= 0 && elapsed >= static_cast<std::uint64_t>(o.exitAfter)) g_stop = 1;
}

bool ParseMisbehaviour(const std::string& text, quillon::HostileOptions* h) {
  using quillon::Misbehaviour;
  static const std::pair<const char*, Misbehaviour> kinds[] = {
      {"hang", Misbehaviour::kHang},          {"noise", Misbehaviour::kNoise},
      {"garbage", Misbehaviour::kGarbage},    {"wrong-type", Misbehaviour::kWrongType},
      {"oversized", Misbehaviour::kOversized}};
  for (const auto& [name, how] : kinds)
    if (text == name) return h->how = how, true;
  if (text.rfind("slow:", 0) == 0) {
    long ms = Number(text.c_str() + 5);
    if (ms < 0) return false;
    h->how = Misbehaviour::kSlow;
    h->slowMs = static_cast<unsigned>(ms);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options& o = g_server.options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
    }
    const OptionRow* row = nullptr;
    for (const OptionRow& r : kOptions)
      if (arg == r.name) row = &r;
    if (row) {
      if (row->value && i + 1 >= argc) return Usage(arg + " needs a value");
      row->apply(o, row->value ? argv[++i] : nullptr);
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      // The instance name, as the wait dialog passes it ("-Tovik3"), maybe twice.
      if (!o.name.empty() && o.name != arg.substr(1)) return Usage("two instance names: " + o.name + ", " + arg.substr(1));
      o.name = arg.substr(1);
    } else {
      return Usage("unknown argument " + arg);
    }
  }
  if (o.connectAfter < -1) return Usage("--connect-after needs a number of milliseconds or -1");
  if (o.exitAfter < -1) return Usage("--exit-after needs a number of milliseconds");
  quillon::HostileOptions hostile;
  if (!o.misbehave.empty() && !ParseMisbehaviour(o.misbehave, &hostile))
    return Usage("--misbehave " + o.misbehave + ": not one of hang, slow:MS, noise, garbage, wrong-type, oversized");
  std::string error;
  if (!o.book.empty() && !g_server.book.Load(o.book, &error)) return Usage(error);
  if (!o.log.empty() && !(g_server.log = std::fopen(o.log.c_str(), "a"))) return Usage(o.log + ": " + std::strerror(errno));

  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  g_started = quillon::NowMs();

  if (DdeInitializeA(&g_server.inst, Callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
    std::fprintf(stderr, "quillon: no session bus to serve on\n");
    return 2;
  }
  HSZ service = DdeCreateStringHandleA(g_server.inst, QUILLON_SERVICE, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(g_server.inst, QUILLON_TOPIC_INSTANCE, CP_WINANSI);
  if (o.name.empty()) {
    // The next free number, by the rule the hosts use.
    CDDEStuff dde(g_server.inst, service, topic);
    CString name;
    int found = 0;
    if (!dde.GetFreeDDEServerName(2, name, &g_server.number, &found)) {
      std::fprintf(stderr, "quillon: more than 64 phone servers are running already\n");
      DdeUninitialize(g_server.inst);
      return 2;
    }
    o.name = static_cast<const char*>(name);
  } else {
    size_t digits = o.name.find_first_of("0123456789");
    g_server.number = digits == std::string::npos ? 0 : static_cast<UINT>(std::atoi(o.name.c_str() + digits));
  }
  hostile.number = g_server.number;
  hostile.instanceName = o.name;

  int status = 0;
  if (!o.misbehave.empty()) {
    DdeFreeStringHandle(g_server.inst, service);
    DdeFreeStringHandle(g_server.inst, topic);
    DdeUninitialize(g_server.inst);
    if (!quillon::RunHostile(hostile, &g_stop, Tick, &error)) {
      std::fprintf(stderr, "quillon: %s\n", error.c_str());
      status = 2;
    }
  } else {
    HSZ instanceName = DdeCreateStringHandleA(g_server.inst, o.name.c_str(), CP_WINANSI);
    if (!instanceName || !DdeNameService(g_server.inst, service, nullptr, DNS_REGISTER) ||
        !DdeNameService(g_server.inst, instanceName, nullptr, DNS_REGISTER)) {
      std::fprintf(stderr, "quillon: cannot register %s on the session bus\n", o.name.c_str());
      status = 2;
    }
    while (status == 0 && !g_stop) {
      if (!SorrelDdeProcess(g_server.inst, 100)) {
        std::fprintf(stderr, "quillon: the session bus has gone\n");
        status = 2;
      }
      Tick();
    }
    DdeNameService(g_server.inst, nullptr, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_server.inst, instanceName);
    DdeFreeStringHandle(g_server.inst, service);
    DdeFreeStringHandle(g_server.inst, topic);
    DdeUninitialize(g_server.inst);
  }
  if (g_connectEvent) CloseHandle(g_connectEvent);
  if (g_server.log) std::fclose(g_server.log);
  return status;
}
