// A phone server that speaks the bus protocol badly, for trying the hosts against
// peers that hang, dawdle or answer nonsense. It owns its names and serves the
// object straight on the bus, as a foreign program would.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Milliseconds on the monotonic clock, for the server's delays.
std::uint64_t NowMs();

enum class Misbehaviour { kHang, kSlow, kNoise, kGarbage, kWrongType, kOversized };

struct HostileOptions {
  Misbehaviour how = Misbehaviour::kHang;
  unsigned slowMs = 0;
  unsigned number = 0;
  std::string instanceName;
};

// Serves until *stop is set; false with the reason in *error when the bus cannot
// be joined or a name taken. `tick` runs about every 100 ms.
bool RunHostile(const HostileOptions& options, volatile int* stop, void (*tick)(), std::string* error);

}  // namespace quillon
