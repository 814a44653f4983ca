// The start of a run as the phone book manager makes it: the splash picture on a
// worker thread of its own, the choice of the phone server's instance name, and
// the wait dialog that starts the server and waits for its phone connection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <sorrel/Sync.h>

namespace marlow {

class PhoneLink;

class Splash {
 public:
  // Starts the splash thread and returns once the picture is up (its event
  // pulsed), or at once when the user turned the splash off (delay 0).
  // `log` hears what happened; `gone` is called on the splash thread once the
  // picture is down (at once when there is none).
  void Show(const std::function<void(const std::string&)>& log, std::function<void()> gone);
  // Waits until the splash thread has taken its picture down.
  void Finish();
  ~Splash();

 private:
  std::unique_ptr<CEvent> m_shown;  // outlives the thread, which pulses it
  std::thread m_thread;
};

enum class PhoneStart { Connected, WithoutPhone, Failed };

// Chooses the instance name, starts the server through the wait dialog unless a
// running server is free for a phone book client, and opens the conversation.
// On Failed, `error` says why.
PhoneStart StartPhone(PhoneLink& link, const std::function<void(const std::string&)>& log, std::string& error);

}  // namespace marlow
