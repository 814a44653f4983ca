// DDE conversations over D-Bus on the session bus.
//
// DDE lets many servers register one service name; a D-Bus well-known name has one
// owner. So a server takes one name of its own per service,
//   org.sorrel.Dde.<service>.<connection>
// (the service folded to upper case and escaped into a bus name element, the
// connection its unique name's digits), and serves object /org/sorrel/Dde with
// interface org.sorrel.Dde. A connect list is the bus's names under the service's
// prefix, each asked whether it takes the topic (Connect); the servers that say
// yes make the list, in the order they joined the bus.
//
// Nothing a peer sends is trusted: every reply's signature is checked, its data
// capped, and a peer that times out, vanishes or answers nonsense becomes a DMLERR
// code on the instance.
#include "sorrel/Dde.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/HandleTable.h"
#include "platform/DdeInternal.h"

namespace {

constexpr const char* kPrefix = "org.sorrel.Dde";
constexpr const char* kPath = "/org/sorrel/Dde";
constexpr const char* kInterface = "org.sorrel.Dde";
constexpr const char* kErrNoConversation = "org.sorrel.Dde.Error.NoConversation";
constexpr const char* kErrNotProcessed = "org.sorrel.Dde.Error.NotProcessed";
constexpr const char* kErrBusy = "org.sorrel.Dde.Error.Busy";
// A server that is running answers whether it takes a topic at once; one that
// does not within this time is left out of the list.
constexpr std::uint64_t kProbeUsec = 1000000;
constexpr std::size_t kMaxNames = 65536;

std::uint64_t NowUsec() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000u + t.tv_nsec / 1000;
}

std::string Fold(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// ---- string handles: one atom per text (without regard to case) in the process

struct Atoms {
  struct Atom {
    std::string text;
    int refs;
  };
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, Atom> byId;
  std::unordered_map<std::string, std::uintptr_t> byFold;
  std::uintptr_t next = 0xC000;
};

Atoms& TheAtoms() {
  static Atoms* atoms = new Atoms;
  return *atoms;
}

HSZ AddAtom(const std::string& text) {
  Atoms& a = TheAtoms();
  std::lock_guard<std::mutex> lock(a.mutex);
  std::string fold = Fold(text);
  auto found = a.byFold.find(fold);
  if (found != a.byFold.end()) {
    ++a.byId[found->second].refs;
    return reinterpret_cast<HSZ>(found->second);
  }
  std::uintptr_t id = ++a.next;
  a.byId.emplace(id, Atoms::Atom{text, 1});
  a.byFold.emplace(fold, id);
  return reinterpret_cast<HSZ>(id);
}

bool AtomText(HSZ hsz, std::string* text) {
  Atoms& a = TheAtoms();
  std::lock_guard<std::mutex> lock(a.mutex);
  auto found = a.byId.find(reinterpret_cast<std::uintptr_t>(hsz));
  if (found == a.byId.end()) return false;
  *text = found->second.text;
  return true;
}

bool ChangeAtom(HSZ hsz, int by) {
  Atoms& a = TheAtoms();
  std::lock_guard<std::mutex> lock(a.mutex);
  auto found = a.byId.find(reinterpret_cast<std::uintptr_t>(hsz));
  if (found == a.byId.end()) return false;
  if ((found->second.refs += by) <= 0) {
    a.byFold.erase(Fold(found->second.text));
    a.byId.erase(found);
  }
  return true;
}

// A string handle for the length of one callback.
struct TempAtom {
  explicit TempAtom(const std::string& text) : hsz(AddAtom(text)) {}
  ~TempAtom() { ChangeAtom(hsz, -1); }
  TempAtom(const TempAtom&) = delete;
  TempAtom& operator=(const TempAtom&) = delete;
  HSZ hsz;
};

// ---- data handles

struct Data {
  DWORD inst;
  std::vector<BYTE> bytes;
  UINT fmt;
  bool appOwned;
};

sorrel::HandleTable<Data>& TheData() {
  static auto* table = new sorrel::HandleTable<Data>(0x7000, 8);
  return *table;
}

HDDEDATA NewData(DWORD inst, std::vector<BYTE> bytes, UINT fmt, bool appOwned) {
  return reinterpret_cast<HDDEDATA>(TheData().Add(std::make_shared<Data>(Data{inst, std::move(bytes), fmt, appOwned})));
}

std::shared_ptr<Data> FindData(HDDEDATA h) { return TheData().Find(reinterpret_cast<std::uintptr_t>(h)); }

// ---- instances and conversations

struct Instance;

struct ServerConv {
  Instance* inst;
  std::string sender, service, topic;
  sd_bus_track* track = nullptr;
  bool gone = false;
  ~ServerConv() { sd_bus_track_unref(track); }
};

struct ClientConv;

// A request started ahead of the DdeClientTransaction that will take its reply.
struct Pending {
  ClientConv* conv;
  std::string item;  // folded
  UINT fmt;
  std::uint64_t usec;
  std::uint64_t started;
  std::string then;  // the item to ask next when this one brings data
  sd_bus_slot* slot = nullptr;
  bool done = false;
  UINT error = DMLERR_NO_ERROR;
  std::vector<BYTE> data;
  ~Pending() { sd_bus_slot_unref(slot); }
};

struct ClientConv {
  Instance* inst;
  std::string dest, service, topic;
  std::list<Pending> pending;
};

struct ConvList {
  Instance* inst;
  std::vector<ClientConv*> convs;
};

struct Instance {
  DWORD id = 0;
  sd_bus* bus = nullptr;
  PFNCALLBACK callback = nullptr;
  DWORD afCmd = 0;
  UINT lastError = DMLERR_NO_ERROR;
  sd_bus_slot* vtable = nullptr;
  std::string tag;  // this connection's part of its well-known names
  std::map<std::string, std::string> services;  // folded service -> bus name
  std::map<std::uintptr_t, std::unique_ptr<ServerConv>> serverConvs;
  std::uintptr_t nextConv = 0x9000;
};

struct Registry {
  std::mutex mutex;
  std::map<DWORD, Instance*> instances;
  std::set<ClientConv*> convs;
  std::set<ConvList*> lists;
  DWORD next = 0;
};

Registry& Reg() {
  static Registry* r = new Registry;
  return *r;
}

Instance* FindInstance(DWORD id) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto found = r.instances.find(id);
  return found == r.instances.end() ? nullptr : found->second;
}

ClientConv* FindConv(HCONV h) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto* c = reinterpret_cast<ClientConv*>(h);
  return r.convs.count(c) ? c : nullptr;
}

ConvList* FindList(HCONVLIST h) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto* l = reinterpret_cast<ConvList*>(h);
  return r.lists.count(l) ? l : nullptr;
}

template <typename T>
T Failed(Instance* inst, UINT error, T result) {
  if (inst) inst->lastError = error;
  return result;
}

std::string Element(const std::string& text, char lead) {
  std::string out(1, lead);
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string ServicePrefix(const std::string& service) {
  return std::string(kPrefix) + "." + sorrel::dde::ServiceElement(service) + ".";
}

// The order servers joined the bus, from their names' last element ("c1_42").
std::vector<unsigned long> JoinOrder(const std::string& name) {
  std::vector<unsigned long> order;
  std::size_t dot = name.rfind('.');
  const char* p = name.c_str() + (dot == std::string::npos ? 0 : dot + 1);
  while (*p) {
    if (*p >= '0' && *p <= '9') {
      char* end;
      order.push_back(std::strtoul(p, &end, 10));
      p = end;
    } else {
      ++p;
    }
  }
  return order;
}

// ---- replies: what a peer sent, checked, as a DMLERR code

UINT ErrorCode(const char* name, bool poke) {
  if (!name) return DMLERR_SYS_ERROR;
  if (!std::strcmp(name, kErrNoConversation)) return DMLERR_NO_CONV_ESTABLISHED;
  if (!std::strcmp(name, kErrNotProcessed)) return DMLERR_NOTPROCESSED;
  if (!std::strcmp(name, kErrBusy)) return DMLERR_BUSY;
  if (!std::strcmp(name, SD_BUS_ERROR_TIMEOUT)) return poke ? DMLERR_POKEACKTIMEOUT : DMLERR_DATAACKTIMEOUT;
  if (!std::strcmp(name, SD_BUS_ERROR_NO_REPLY) || !std::strcmp(name, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
      !std::strcmp(name, SD_BUS_ERROR_NAME_HAS_NO_OWNER) || !std::strcmp(name, SD_BUS_ERROR_DISCONNECTED))
    return DMLERR_SERVER_DIED;
  return DMLERR_NOTPROCESSED;  // an error of the peer's own making
}

// `signature` is what the reply must carry: "ay" for data, "" for an acknowledgement.
UINT CheckReply(sd_bus_message* reply, const char* signature, std::vector<BYTE>* data) {
  if (sd_bus_message_is_method_error(reply, nullptr)) return ErrorCode(sd_bus_message_get_error(reply)->name, false);
  const char* sig = sd_bus_message_get_signature(reply, 1);
  if (!sig || std::strcmp(sig, signature) != 0) return DMLERR_NOTPROCESSED;
  if (!data) return DMLERR_NO_ERROR;
  const void* bytes = nullptr;
  std::size_t size = 0;
  if (sd_bus_message_read_array(reply, 'y', &bytes, &size) < 0) return DMLERR_NOTPROCESSED;
  if (size > SORREL_DDE_MAX_DATA) return DMLERR_MEMORY_ERROR;
  const BYTE* b = static_cast<const BYTE*>(bytes);
  data->assign(b, b + size);
  return DMLERR_NO_ERROR;
}

// sd-bus reports its own time-out as NoReply (-ETIMEDOUT), as the bus reports a
// peer that left without answering: the time taken tells them apart.
bool TimedOut(std::uint64_t started, std::uint64_t usec) { return NowUsec() - started + 1000 >= usec; }

UINT CallError(int r, const sd_bus_error* err, std::uint64_t started, std::uint64_t usec, bool poke) {
  UINT error = sd_bus_error_is_set(err) ? ErrorCode(err->name, poke) : DMLERR_SYS_ERROR;
  if ((error == DMLERR_SERVER_DIED || r == -ETIMEDOUT) && TimedOut(started, usec))
    return poke ? DMLERR_POKEACKTIMEOUT : DMLERR_DATAACKTIMEOUT;
  return error;
}

// A method call to one server's object.
sd_bus_message* NewCall(Instance* inst, const std::string& dest, const char* member) {
  sd_bus_message* m = nullptr;
  if (sd_bus_message_new_method_call(inst->bus, &m, dest.c_str(), kPath, kInterface, member) < 0) return nullptr;
  return m;
}

// Runs the instance's bus until `done` or the connection fails.
template <typename Done>
bool Pump(Instance* inst, Done done) {
  while (!done()) {
    int r = sd_bus_process(inst->bus, nullptr);
    if (r < 0) return false;
    if (r > 0) continue;
    if (done()) break;
    r = sd_bus_wait(inst->bus, 100000);
    if (r < 0 && r != -EINTR) return false;
  }
  return true;
}

// ---- requests started ahead

int StartRequest(ClientConv* conv, const std::string& item, UINT fmt, std::uint64_t usec, const std::string& then);

int OnPendingReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* p = static_cast<Pending*>(userdata);
  p->done = true;
  p->error = CheckReply(reply, "ay", &p->data);
  if (p->error == DMLERR_SERVER_DIED && TimedOut(p->started, p->usec)) p->error = DMLERR_DATAACKTIMEOUT;
  if (p->error == DMLERR_NO_ERROR && !p->data.empty() && !p->then.empty())
    StartRequest(p->conv, p->then, p->fmt, p->usec, std::string());
  return 1;
}

int StartRequest(ClientConv* conv, const std::string& item, UINT fmt, std::uint64_t usec, const std::string& then) {
  sd_bus_message* m = NewCall(conv->inst, conv->dest, "Request");
  if (!m) return -ENOMEM;
  int r = sd_bus_message_append(m, "sssu", conv->service.c_str(), conv->topic.c_str(), item.c_str(), fmt);
  Pending& p = conv->pending.emplace_back();
  p.conv = conv;
  p.item = Fold(item);
  p.fmt = fmt;
  p.usec = usec;
  p.started = NowUsec();
  p.then = then;
  if (r >= 0) r = sd_bus_call_async(conv->inst->bus, &p.slot, m, OnPendingReply, &p, usec);
  sd_bus_message_unref(m);
  if (r < 0) {
    p.done = true;
    p.error = DMLERR_SYS_ERROR;
  }
  return r;
}

void FreeConv(ClientConv* conv, bool tellServer) {
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.convs.erase(conv);
  }
  if (tellServer) {
    sd_bus_message* m = NewCall(conv->inst, conv->dest, "Disconnect");
    if (m && sd_bus_message_append(m, "ss", conv->service.c_str(), conv->topic.c_str()) >= 0) {
      sd_bus_message_set_expect_reply(m, 0);
      sd_bus_send(conv->inst->bus, m, nullptr);
    }
    sd_bus_message_unref(m);
  }
  delete conv;
}

// ---- the server side

bool Serves(Instance* inst, const char* service) { return inst->services.count(Fold(service)) != 0; }

ServerConv* FindServerConv(Instance* inst, const char* sender, const char* service, const char* topic,
                           std::uintptr_t* id) {
  std::string s = Fold(service), t = Fold(topic);
  for (auto& [key, conv] : inst->serverConvs) {
    if (!conv->gone && conv->sender == sender && Fold(conv->service) == s && Fold(conv->topic) == t) {
      if (id) *id = key;
      return conv.get();
    }
  }
  return nullptr;
}

HDDEDATA Call(Instance* inst, UINT type, UINT fmt, std::uintptr_t conv, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  if (!inst->callback) return nullptr;
  return inst->callback(type, fmt, reinterpret_cast<HCONV>(conv), hsz1, hsz2, data, 0, 0);
}

int OnClientGone(sd_bus_track*, void* userdata) {
  auto* conv = static_cast<ServerConv*>(userdata);
  conv->gone = true;  // dropped after the bus has finished with the tracker
  return 0;
}

void DropGoneConvs(Instance* inst) {
  for (auto it = inst->serverConvs.begin(); it != inst->serverConvs.end();) {
    if (it->second->gone) {
      TempAtom topic(it->second->topic), service(it->second->service);
      Call(inst, XTYP_DISCONNECT, 0, it->first, topic.hsz, service.hsz, nullptr);
      it = inst->serverConvs.erase(it);
    } else {
      ++it;
    }
  }
}

int OnConnect(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* inst = static_cast<Instance*>(userdata);
  const char *service, *topic;
  int r = sd_bus_message_read(m, "ss", &service, &topic);
  if (r < 0) return r;
  const char* sender = sd_bus_message_get_sender(m);
  if (!sender || !Serves(inst, service)) return sd_bus_error_set(error, kErrNoConversation, "no such service");
  if (FindServerConv(inst, sender, service, topic, nullptr)) return sd_bus_reply_method_return(m, "");
  TempAtom hszTopic(topic), hszService(service);
  if (!Call(inst, XTYP_CONNECT, 0, 0, hszTopic.hsz, hszService.hsz, nullptr))
    return sd_bus_error_set(error, kErrNoConversation, "topic refused");
  auto conv = std::make_unique<ServerConv>();
  conv->inst = inst;
  conv->sender = sender;
  conv->service = service;
  conv->topic = topic;
  if (sd_bus_track_new(inst->bus, &conv->track, OnClientGone, conv.get()) < 0 ||
      sd_bus_track_add_name(conv->track, sender) < 0)
    return sd_bus_error_set(error, kErrNoConversation, "client not trackable");
  std::uintptr_t id = inst->nextConv += 4;
  inst->serverConvs.emplace(id, std::move(conv));
  Call(inst, XTYP_CONNECT_CONFIRM, 0, id, hszTopic.hsz, hszService.hsz, nullptr);
  return sd_bus_reply_method_return(m, "");
}

int OnDisconnect(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* inst = static_cast<Instance*>(userdata);
  const char *service, *topic;
  int r = sd_bus_message_read(m, "ss", &service, &topic);
  if (r < 0) return r;
  const char* sender = sd_bus_message_get_sender(m);
  if (ServerConv* conv = sender ? FindServerConv(inst, sender, service, topic, nullptr) : nullptr) conv->gone = true;
  DropGoneConvs(inst);
  return sd_bus_reply_method_return(m, "");
}

int OnRequest(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* inst = static_cast<Instance*>(userdata);
  const char *service, *topic, *item;
  std::uint32_t fmt;
  int r = sd_bus_message_read(m, "sssu", &service, &topic, &item, &fmt);
  if (r < 0) return r;
  std::uintptr_t id = 0;
  const char* sender = sd_bus_message_get_sender(m);
  if (!sender || !FindServerConv(inst, sender, service, topic, &id))
    return sd_bus_error_set(error, kErrNoConversation, "not connected to this topic");
  TempAtom hszTopic(topic), hszItem(item);
  HDDEDATA h = Call(inst, XTYP_REQUEST, fmt, id, hszTopic.hsz, hszItem.hsz, nullptr);
  std::shared_ptr<Data> d = FindData(h);
  if (!d) return sd_bus_error_set(error, kErrNotProcessed, "no data");
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(m, &reply);
  if (r >= 0) r = sd_bus_message_append_array(reply, 'y', d->bytes.data(), d->bytes.size());
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  if (!d->appOwned) DdeFreeDataHandle(h);
  return r < 0 ? r : 1;
}

int OnPoke(sd_bus_message* m, void* userdata, sd_bus_error* error) {
  auto* inst = static_cast<Instance*>(userdata);
  const char *service, *topic, *item;
  std::uint32_t fmt;
  const void* bytes = nullptr;
  std::size_t size = 0;
  int r = sd_bus_message_read(m, "sssu", &service, &topic, &item, &fmt);
  if (r >= 0) r = sd_bus_message_read_array(m, 'y', &bytes, &size);
  if (r < 0) return r;
  std::uintptr_t id = 0;
  const char* sender = sd_bus_message_get_sender(m);
  if (!sender || !FindServerConv(inst, sender, service, topic, &id))
    return sd_bus_error_set(error, kErrNoConversation, "not connected to this topic");
  if (size > SORREL_DDE_MAX_DATA) return sd_bus_error_set(error, kErrNotProcessed, "too much data");
  const BYTE* b = static_cast<const BYTE*>(bytes);
  HDDEDATA h = NewData(inst->id, std::vector<BYTE>(b, b + size), fmt, false);
  TempAtom hszTopic(topic), hszItem(item);
  auto result = reinterpret_cast<std::uintptr_t>(Call(inst, XTYP_POKE, fmt, id, hszTopic.hsz, hszItem.hsz, h));
  DdeFreeDataHandle(h);
  if (result & DDE_FACK) return sd_bus_reply_method_return(m, "");
  if (result & DDE_FBUSY) return sd_bus_error_set(error, kErrBusy, "busy");
  return sd_bus_error_set(error, kErrNotProcessed, "not taken");
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD_WITH_ARGS("Connect", SD_BUS_ARGS("s", service, "s", topic), SD_BUS_NO_RESULT, OnConnect,
                            SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD_WITH_ARGS("Disconnect", SD_BUS_ARGS("s", service, "s", topic), SD_BUS_NO_RESULT, OnDisconnect,
                            SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD_WITH_ARGS("Request", SD_BUS_ARGS("s", service, "s", topic, "s", item, "u", format),
                            SD_BUS_RESULT("ay", data), OnRequest, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD_WITH_ARGS("Poke", SD_BUS_ARGS("s", service, "s", topic, "s", item, "u", format, "ay", data),
                            SD_BUS_NO_RESULT, OnPoke, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

// ---- connecting

// The servers of `service` that take `topic`, in the order they joined the bus.
std::vector<std::string> FindServers(Instance* inst, const std::string& service, const std::string& topic,
                                     UINT* error) {
  std::vector<std::string> names;
  sd_bus_message* call = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error err{};  // SD_BUS_ERROR_NULL, which is a C compound literal
  int r = sd_bus_message_new_method_call(inst->bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus", "ListNames");
  if (r >= 0) r = sd_bus_call(inst->bus, call, 2000000, &err, &reply);
  sd_bus_message_unref(call);
  sd_bus_error_free(&err);
  const char* sig = r >= 0 ? sd_bus_message_get_signature(reply, 1) : nullptr;
  if (!sig || std::strcmp(sig, "as") != 0) {
    sd_bus_message_unref(reply);
    *error = DMLERR_SYS_ERROR;
    return names;
  }
  std::string prefix = ServicePrefix(service);
  const char* mine = inst->tag.c_str();
  if (sd_bus_message_enter_container(reply, 'a', "s") >= 0) {
    const char* name;
    while (names.size() < kMaxNames && sd_bus_message_read(reply, "s", &name) > 0) {
      std::size_t len = std::strlen(name);
      // Never a conversation with itself: the instance could not answer while it waits.
      if (std::strncmp(name, prefix.c_str(), prefix.size()) == 0 &&
          !(len > std::strlen(mine) && std::strcmp(name + len - std::strlen(mine), mine) == 0 &&
            name[len - std::strlen(mine) - 1] == '.'))
        names.emplace_back(name);
    }
  }
  sd_bus_message_unref(reply);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return JoinOrder(a) < JoinOrder(b); });

  // Every server is asked at once; the slow ones do not hold up the rest.
  struct Probe {
    sd_bus_slot* slot = nullptr;
    bool done = false, taken = false;
  };
  std::vector<Probe> probes(names.size());
  auto onReply = [](sd_bus_message* m, void* userdata, sd_bus_error*) -> int {
    auto* p = static_cast<Probe*>(userdata);
    p->done = true;
    p->taken = CheckReply(m, "", nullptr) == DMLERR_NO_ERROR;
    return 1;
  };
  for (std::size_t i = 0; i < names.size(); ++i) {
    sd_bus_message* m = NewCall(inst, names[i], "Connect");
    if (!m || sd_bus_message_append(m, "ss", service.c_str(), topic.c_str()) < 0 ||
        sd_bus_call_async(inst->bus, &probes[i].slot, m, onReply, &probes[i], kProbeUsec) < 0)
      probes[i].done = true;
    sd_bus_message_unref(m);
  }
  Pump(inst, [&] {
    return std::all_of(probes.begin(), probes.end(), [](const Probe& p) { return p.done; });
  });
  std::vector<std::string> taken;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (probes[i].taken) taken.push_back(names[i]);
    sd_bus_slot_unref(probes[i].slot);
  }
  *error = taken.empty() ? DMLERR_NO_CONV_ESTABLISHED : DMLERR_NO_ERROR;
  return taken;
}

ClientConv* NewConv(Instance* inst, const std::string& dest, const std::string& service, const std::string& topic) {
  auto* conv = new ClientConv{inst, dest, service, topic, {}};
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.convs.insert(conv);
  return conv;
}

}  // namespace

namespace sorrel::dde {

std::string ServiceElement(const std::string& service) { return Element(Fold(service), 's'); }

void StartRequests(HCONVLIST hConvList, HSZ item, HSZ then, UINT wFmt, DWORD dwTimeout) {
  ConvList* list = FindList(hConvList);
  std::string itemText, thenText;
  if (!list || !AtomText(item, &itemText) || (then && !AtomText(then, &thenText))) return;
  for (ClientConv* conv : list->convs)
    StartRequest(conv, itemText, wFmt, static_cast<std::uint64_t>(dwTimeout) * 1000, thenText);
}

}  // namespace sorrel::dde

UINT DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD) {
  if (!pidInst) return DMLERR_INVALIDPARAMETER;
  if (*pidInst != 0) return DMLERR_DLL_USAGE;  // changing an instance's flags is not kept
  auto inst = std::make_unique<Instance>();
  if (sd_bus_open_user(&inst->bus) < 0) return DMLERR_SYS_ERROR;
  const char* unique = nullptr;
  if (sd_bus_get_unique_name(inst->bus, &unique) < 0 || !unique) {
    sd_bus_flush_close_unref(inst->bus);
    return DMLERR_SYS_ERROR;
  }
  // ":1.42" becomes "c1_42": a bus name element may not hold ':' or '.'.
  inst->tag = "c";
  for (const char* p = unique; *p; ++p)
    if (*p != ':') inst->tag += (*p >= '0' && *p <= '9') ? *p : '_';
  inst->callback = pfnCallback;
  inst->afCmd = afCmd;
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  const DWORD id = inst->id = ++r.next;
  *pidInst = id;
  r.instances.emplace(id, inst.release());
  return DMLERR_NO_ERROR;
}

BOOL DdeUninitialize(DWORD idInst) {
  Instance* inst = nullptr;
  std::vector<ClientConv*> convs;
  std::vector<ConvList*> lists;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.instances.find(idInst);
    if (found == r.instances.end()) return FALSE;
    inst = found->second;
    r.instances.erase(found);
    for (ConvList* l : r.lists)
      if (l->inst == inst) lists.push_back(l);
    for (ConvList* l : lists) r.lists.erase(l);
    for (ClientConv* c : r.convs)
      if (c->inst == inst) convs.push_back(c);
  }
  for (ConvList* l : lists) delete l;
  for (ClientConv* c : convs) FreeConv(c, true);
  inst->serverConvs.clear();
  sd_bus_slot_unref(inst->vtable);
  sd_bus_flush_close_unref(inst->bus);
  TheData().EraseIf([idInst](const Data& d) { return d.inst == idInst; });
  delete inst;
  return TRUE;
}

UINT DdeGetLastError(DWORD idInst) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return DMLERR_DLL_NOT_INITIALIZED;
  UINT e = inst->lastError;
  inst->lastError = DMLERR_NO_ERROR;
  return e;
}

HSZ DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return nullptr;
  if (!psz || (iCodePage != CP_WINANSI && iCodePage != 0) || std::strlen(psz) > 255)
    return Failed<HSZ>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  if (!*psz) return nullptr;  // the empty string has no handle
  return AddAtom(psz);
}

BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz) {
  Instance* inst = FindInstance(idInst);
  return inst && ChangeAtom(hsz, -1) ? TRUE : FALSE;
}

BOOL DdeKeepStringHandle(DWORD idInst, HSZ hsz) {
  Instance* inst = FindInstance(idInst);
  return inst && ChangeAtom(hsz, +1) ? TRUE : FALSE;
}

DWORD DdeQueryStringA(DWORD idInst, HSZ hsz, LPSTR psz, DWORD cchMax, int) {
  std::string text;
  if (!FindInstance(idInst) || !AtomText(hsz, &text)) return 0;
  if (!psz) return static_cast<DWORD>(text.size());
  if (cchMax == 0) return 0;
  std::size_t n = std::min<std::size_t>(text.size(), cchMax - 1);
  std::memcpy(psz, text.data(), n);
  psz[n] = '\0';
  return static_cast<DWORD>(n);
}

int DdeCmpStringHandles(HSZ hsz1, HSZ hsz2) {
  std::string a, b;
  bool hasA = hsz1 && AtomText(hsz1, &a), hasB = hsz2 && AtomText(hsz2, &b);
  if (!hasA || !hasB) return hasA == hasB ? 0 : (hasA ? 1 : -1);
  int c = Fold(a).compare(Fold(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

HCONVLIST DdeConnectList(DWORD idInst, HSZ hszService, HSZ hszTopic, HCONVLIST hConvList, PCONVCONTEXT) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return nullptr;
  if (hConvList) DdeDisconnectList(hConvList);  // the new list takes its place
  std::string service, topic;
  if (!AtomText(hszService, &service) || !AtomText(hszTopic, &topic))
    return Failed<HCONVLIST>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  UINT error = DMLERR_NO_ERROR;
  std::vector<std::string> servers = FindServers(inst, service, topic, &error);
  inst->lastError = error;
  if (servers.empty()) return nullptr;
  auto* list = new ConvList{inst, {}};
  for (const std::string& dest : servers) list->convs.push_back(NewConv(inst, dest, service, topic));
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.lists.insert(list);
  return reinterpret_cast<HCONVLIST>(list);
}

HCONV DdeQueryNextServer(HCONVLIST hConvList, HCONV hConvPrev) {
  ConvList* list = FindList(hConvList);
  if (!list || list->convs.empty()) return nullptr;
  if (!hConvPrev) return reinterpret_cast<HCONV>(list->convs.front());
  auto at = std::find(list->convs.begin(), list->convs.end(), reinterpret_cast<ClientConv*>(hConvPrev));
  if (at == list->convs.end() || ++at == list->convs.end()) return nullptr;
  return reinterpret_cast<HCONV>(*at);
}

BOOL DdeDisconnectList(HCONVLIST hConvList) {
  ConvList* list = FindList(hConvList);
  if (!list) return FALSE;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.lists.erase(list);
  }
  for (ClientConv* c : list->convs) FreeConv(c, true);
  sd_bus_flush(list->inst->bus);
  delete list;
  return TRUE;
}

HCONV DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return nullptr;
  std::string service, topic;
  if (!AtomText(hszService, &service) || !AtomText(hszTopic, &topic))
    return Failed<HCONV>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  UINT error = DMLERR_NO_ERROR;
  std::vector<std::string> servers = FindServers(inst, service, topic, &error);
  inst->lastError = error;
  if (servers.empty()) return nullptr;
  // The first server that took the topic keeps the conversation; the others are let go.
  for (std::size_t i = 1; i < servers.size(); ++i) FreeConv(NewConv(inst, servers[i], service, topic), true);
  return reinterpret_cast<HCONV>(NewConv(inst, servers[0], service, topic));
}

BOOL DdeDisconnect(HCONV hConv) {
  ClientConv* conv = FindConv(hConv);
  if (!conv) return FALSE;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (ConvList* l : r.lists) l->convs.erase(std::remove(l->convs.begin(), l->convs.end(), conv), l->convs.end());
  }
  Instance* inst = conv->inst;
  FreeConv(conv, true);
  sd_bus_flush(inst->bus);
  return TRUE;
}

HDDEDATA DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem, UINT wFmt, UINT wType,
                              DWORD dwTimeout, LPDWORD pdwResult) {
  ClientConv* conv = FindConv(hConv);
  if (!conv) return nullptr;
  Instance* inst = conv->inst;
  if (pdwResult) *pdwResult = 0;
  std::string item;
  if (!AtomText(hszItem, &item) || dwTimeout == TIMEOUT_ASYNC || dwTimeout == 0)
    return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  const std::uint64_t usec = static_cast<std::uint64_t>(dwTimeout) * 1000;

  if (wType == XTYP_REQUEST) {
    std::vector<BYTE> data;
    UINT error = DMLERR_NO_ERROR;
    auto ahead = std::find_if(conv->pending.begin(), conv->pending.end(), [&](const Pending& p) {
      return p.item == Fold(item) && p.fmt == wFmt && p.usec == usec;
    });
    if (ahead != conv->pending.end()) {
      if (!Pump(inst, [&] { return ahead->done; }) && !ahead->done) {
        ahead->done = true;
        ahead->error = DMLERR_SYS_ERROR;
      }
      error = ahead->error;
      data = std::move(ahead->data);
      conv->pending.erase(ahead);
    } else {
      sd_bus_message* m = NewCall(inst, conv->dest, "Request");
      sd_bus_message* reply = nullptr;
      sd_bus_error err{};  // SD_BUS_ERROR_NULL, which is a C compound literal
      int r = m ? sd_bus_message_append(m, "sssu", conv->service.c_str(), conv->topic.c_str(), item.c_str(), wFmt)
                : -ENOMEM;
      std::uint64_t started = NowUsec();
      if (r >= 0) r = sd_bus_call(inst->bus, m, usec, &err, &reply);
      error = r >= 0 ? CheckReply(reply, "ay", &data) : CallError(r, &err, started, usec, false);
      sd_bus_error_free(&err);
      sd_bus_message_unref(reply);
      sd_bus_message_unref(m);
    }
    inst->lastError = error;
    if (error != DMLERR_NO_ERROR) return nullptr;
    return NewData(inst->id, std::move(data), wFmt, false);
  }

  if (wType == XTYP_POKE) {
    std::vector<BYTE> bytes;
    if (pData == reinterpret_cast<LPBYTE>(-1)) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
    if (cbData == static_cast<DWORD>(-1)) {
      // The data is a data handle, which the transaction frees.
      std::shared_ptr<Data> d = FindData(reinterpret_cast<HDDEDATA>(pData));
      if (!d) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
      bytes = d->bytes;
      if (!d->appOwned) DdeFreeDataHandle(reinterpret_cast<HDDEDATA>(pData));
    } else if (pData) {
      bytes.assign(pData, pData + cbData);
    }
    if (bytes.size() > SORREL_DDE_MAX_DATA) return Failed<HDDEDATA>(inst, DMLERR_MEMORY_ERROR, nullptr);
    sd_bus_message* m = NewCall(inst, conv->dest, "Poke");
    sd_bus_message* reply = nullptr;
    sd_bus_error err{};  // SD_BUS_ERROR_NULL, which is a C compound literal
    int r = m ? sd_bus_message_append(m, "sssu", conv->service.c_str(), conv->topic.c_str(), item.c_str(), wFmt)
              : -ENOMEM;
    if (r >= 0) r = sd_bus_message_append_array(m, 'y', bytes.data(), bytes.size());
    std::uint64_t started = NowUsec();
    if (r >= 0) r = sd_bus_call(inst->bus, m, usec, &err, &reply);
    UINT error = r >= 0 ? CheckReply(reply, "", nullptr) : CallError(r, &err, started, usec, true);
    sd_bus_error_free(&err);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(m);
    inst->lastError = error;
    if (error != DMLERR_NO_ERROR) {
      if (pdwResult && error == DMLERR_BUSY) *pdwResult = DDE_FBUSY;
      return nullptr;
    }
    if (pdwResult) *pdwResult = DDE_FACK;
    return reinterpret_cast<HDDEDATA>(1);  // TRUE: the server took it
  }
  return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
}

HDDEDATA DdeCreateDataHandle(DWORD idInst, LPBYTE pSrc, DWORD cb, DWORD cbOff, HSZ, UINT wFmt, UINT afCmd) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return nullptr;
  if (cb > SORREL_DDE_MAX_DATA || cbOff > SORREL_DDE_MAX_DATA)
    return Failed<HDDEDATA>(inst, DMLERR_MEMORY_ERROR, nullptr);
  std::vector<BYTE> bytes(static_cast<std::size_t>(cbOff) + cb, 0);
  if (pSrc && cb) std::memcpy(bytes.data() + cbOff, pSrc, cb);
  return NewData(idInst, std::move(bytes), wFmt, (afCmd & HDATA_APPOWNED) != 0);
}

DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff) {
  std::shared_ptr<Data> d = FindData(hData);
  if (!d) return 0;
  DWORD size = static_cast<DWORD>(d->bytes.size());
  if (!pDst) return size;
  if (cbOff > size) {
    if (Instance* inst = FindInstance(d->inst)) inst->lastError = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  DWORD n = std::min(cbMax, size - cbOff);
  if (n) std::memcpy(pDst, d->bytes.data() + cbOff, n);
  return n;
}

LPBYTE DdeAccessData(HDDEDATA hData, LPDWORD pcbDataSize) {
  std::shared_ptr<Data> d = FindData(hData);
  if (!d) return nullptr;
  if (pcbDataSize) *pcbDataSize = static_cast<DWORD>(d->bytes.size());
  return d->bytes.data();
}

BOOL DdeUnaccessData(HDDEDATA hData) { return FindData(hData) ? TRUE : FALSE; }

BOOL DdeFreeDataHandle(HDDEDATA hData) {
  return TheData().Take(reinterpret_cast<std::uintptr_t>(hData)) ? TRUE : FALSE;
}

HDDEDATA DdeNameService(DWORD idInst, HSZ hsz1, HSZ, UINT afCmd) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return nullptr;
  if (inst->afCmd & APPCMD_CLIENTONLY) return Failed<HDDEDATA>(inst, DMLERR_DLL_USAGE, nullptr);
  HDDEDATA ok = reinterpret_cast<HDDEDATA>(1);
  if (afCmd & DNS_UNREGISTER) {
    std::string service;
    if (!hsz1) {
      for (auto& [fold, name] : inst->services) sd_bus_release_name(inst->bus, name.c_str());
      inst->services.clear();
      return ok;
    }
    if (!AtomText(hsz1, &service)) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
    auto found = inst->services.find(Fold(service));
    if (found == inst->services.end()) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
    sd_bus_release_name(inst->bus, found->second.c_str());
    inst->services.erase(found);
    return ok;
  }
  if (!(afCmd & DNS_REGISTER)) return ok;  // filtering of connects is not kept: every connect is asked
  std::string service;
  if (!AtomText(hsz1, &service)) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  if (inst->services.count(Fold(service))) return ok;
  std::string name = ServicePrefix(service) + inst->tag;
  if (name.size() > 255) return Failed<HDDEDATA>(inst, DMLERR_INVALIDPARAMETER, nullptr);
  if (!inst->vtable && sd_bus_add_object_vtable(inst->bus, &inst->vtable, kPath, kInterface, kVtable, inst) < 0)
    return Failed<HDDEDATA>(inst, DMLERR_SYS_ERROR, nullptr);
  if (sd_bus_request_name(inst->bus, name.c_str(), 0) < 0) return Failed<HDDEDATA>(inst, DMLERR_SYS_ERROR, nullptr);
  inst->services.emplace(Fold(service), name);
  return ok;
}

BOOL SorrelDdeProcess(DWORD idInst, DWORD dwTimeout) {
  Instance* inst = FindInstance(idInst);
  if (!inst) return FALSE;
  std::uint64_t deadline = NowUsec() + static_cast<std::uint64_t>(dwTimeout) * 1000;
  bool waited = false;
  for (;;) {
    int r = sd_bus_process(inst->bus, nullptr);
    DropGoneConvs(inst);
    if (r < 0) return FALSE;
    if (r > 0) continue;
    if (waited) return TRUE;
    std::uint64_t now = NowUsec();
    if (dwTimeout != 0xFFFFFFFFu && now >= deadline) return TRUE;
    r = sd_bus_wait(inst->bus, dwTimeout == 0xFFFFFFFFu ? UINT64_MAX : deadline - now);
    if (r < 0 && r != -EINTR) return FALSE;
    if (r == -EINTR) return TRUE;  // a signal: the caller looks at what it means
    waited = true;
  }
}

int SorrelDdeGetFd(DWORD idInst) {
  Instance* inst = FindInstance(idInst);
  return inst ? sd_bus_get_fd(inst->bus) : -1;
}
