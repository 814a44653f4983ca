#include "Hostile.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace quillon {
namespace {

// The bus name element of a DDE service, as the library maps it (docs/PLATFORM.md).
std::string ServiceElement(const std::string& service) {
  std::string out = "s";
  for (unsigned char c : service) {
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02X", c);
      out += hex;
    }
  }
  return out;
}


struct State {
  HostileOptions options;
  std::vector<sd_bus_message*> held;                        // never answered
  std::deque<std::pair<std::uint64_t, sd_bus_message*>> due;  // answered late
};

int AnswerProperly(sd_bus_message* m, const State& s) {
  const char *service, *topic, *item;
  std::uint32_t fmt;
  if (sd_bus_message_rewind(m, 1) < 0 || sd_bus_message_read(m, "sssu", &service, &topic, &item, &fmt) < 0)
    return sd_bus_reply_method_errorf(m, "org.sorrel.Dde.Error.NotProcessed", "bad call");
  if (strcasecmp(item, topic) != 0)
    return sd_bus_reply_method_errorf(m, "org.sorrel.Dde.Error.NotProcessed", "no such item");
  std::string text = std::to_string(s.options.number);
  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_return(m, &reply);
  if (r >= 0) r = sd_bus_message_append_array(reply, 'y', text.c_str(), text.size() + 1);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int OnRequest(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* s = static_cast<State*>(userdata);
  sd_bus_message* reply = nullptr;
  int r = 0;
  switch (s->options.how) {
    case Misbehaviour::kHang:
      s->held.push_back(sd_bus_message_ref(m));
      return 1;
    case Misbehaviour::kSlow:
      s->due.emplace_back(NowMs() + s->options.slowMs, sd_bus_message_ref(m));
      return 1;
    case Misbehaviour::kNoise: {
      static const unsigned char noise[] = {0x7f, 0x01, 'z', 'z', 0x00, 0xfe, '9', '9'};
      r = sd_bus_message_new_method_return(m, &reply);
      if (r >= 0) r = sd_bus_message_append_array(reply, 'y', noise, sizeof noise);
      break;
    }
    case Misbehaviour::kGarbage: {
      // Bytes and then more than the call's answer holds.
      r = sd_bus_message_new_method_return(m, &reply);
      if (r >= 0) r = sd_bus_message_append_array(reply, 'y', "7", 2);
      if (r >= 0) r = sd_bus_message_append(reply, "ias", -1, 2, "\x01", "junk");
      break;
    }
    case Misbehaviour::kWrongType:
      r = sd_bus_message_new_method_return(m, &reply);
      if (r >= 0) r = sd_bus_message_append(reply, "s", std::to_string(s->options.number).c_str());
      break;
    case Misbehaviour::kOversized: {
      std::string big(2u << 20, '9');
      r = sd_bus_message_new_method_return(m, &reply);
      if (r >= 0) r = sd_bus_message_append_array(reply, 'y', big.data(), big.size());
      break;
    }
  }
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r < 0 ? r : 1;
}

int OnAcknowledge(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }

int OnPoke(sd_bus_message*, void*, sd_bus_error* error) {
  return sd_bus_error_set(error, "org.sorrel.Dde.Error.NotProcessed", "not taken");
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Connect", "ss", "", OnAcknowledge, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Disconnect", "ss", "", OnAcknowledge, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Request", "sssu", "ay", OnRequest, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Poke", "sssuay", "", OnPoke, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

}  // namespace

std::uint64_t NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

bool RunHostile(const HostileOptions& options, volatile int* stop, void (*tick)(), std::string* error) {
  State s{options, {}, {}};
  sd_bus* bus = nullptr;
  sd_bus_slot* slot = nullptr;
  const char* unique = nullptr;
  int r = sd_bus_open_user(&bus);
  if (r >= 0) r = sd_bus_get_unique_name(bus, &unique);
  if (r >= 0) r = sd_bus_add_object_vtable(bus, &slot, "/org/sorrel/Dde", "org.sorrel.Dde", kVtable, &s);
  std::string tag = "c";
  for (const char* p = unique ? unique : ""; *p; ++p)
    if (*p != ':') tag += (*p >= '0' && *p <= '9') ? *p : '_';
  for (const char* service : {"Quillon", options.instanceName.c_str()}) {
    if (r < 0) break;
    std::string name = std::string("org.sorrel.Dde.") + ServiceElement(service) + "." + tag;
    r = sd_bus_request_name(bus, name.c_str(), 0);
  }
  if (r < 0) {
    *error = std::string("the session bus: ") + std::strerror(-r);
    sd_bus_slot_unref(slot);
    sd_bus_flush_close_unref(bus);
    return false;
  }
  while (!*stop) {
    while (!s.due.empty() && s.due.front().first <= NowMs()) {
      AnswerProperly(s.due.front().second, s);
      sd_bus_message_unref(s.due.front().second);
      s.due.pop_front();
    }
    r = sd_bus_process(bus, nullptr);
    if (r < 0) break;
    if (r > 0) continue;
    std::uint64_t wait = 100;
    if (!s.due.empty()) wait = std::min<std::uint64_t>(wait, s.due.front().first - std::min(s.due.front().first, NowMs()));
    sd_bus_wait(bus, wait * 1000);
    tick();
  }
  for (sd_bus_message* m : s.held) sd_bus_message_unref(m);
  for (auto& d : s.due) sd_bus_message_unref(d.second);
  sd_bus_slot_unref(slot);
  sd_bus_flush_close_unref(bus);
  return true;
}

}  // namespace quillon
