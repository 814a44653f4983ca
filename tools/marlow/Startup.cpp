#include "Startup.h"

#include <sorrel/DDEStuff.h>
#include <sorrel/DlgWait4Quillon.h>
#include <sorrel/Quillon.h>
#include <sorrel/Splash.h>
#include <sorrel/Sync.h>

#include "PhoneLink.h"

namespace marlow {

namespace {

// How long the start waits for the splash picture before it goes on regardless:
// a picture that cannot come up (no display) must not hold the start.
constexpr DWORD kSplashWait = 10000;

}  // namespace

Splash::~Splash() { Finish(); }

void Splash::Show(const std::function<void(const std::string&)>& log, std::function<void()> gone) {
  Finish();
  const DWORD delay = GetSplashDelayFromRegistry();
  if (delay == 0) {
    log("splash: off");
    if (gone) gone();
    return;
  }
  m_shown = std::make_unique<CEvent>();
  // The splash pulses the event once its picture is up, which takes far longer
  // than this thread needs to start waiting; a pulse missed all the same ends
  // the wait at the time-out, not the start.
  m_thread = std::thread([event = m_shown.get(), gone = std::move(gone)] {
    ShowSplash(event);
    if (gone) gone();
  });
  const DWORD result = WaitForSingleObject(*m_shown, kSplashWait);
  log(result == WAIT_OBJECT_0 ? "splash: shown, delay " + std::to_string(delay) + " ms"
                              : std::string("splash: no signal, going on"));
}

void Splash::Finish() {
  if (m_thread.joinable()) m_thread.join();
}

PhoneStart StartPhone(PhoneLink& link, const std::function<void(const std::string&)>& log, std::string& error) {
  if (!link.Initialize(error)) return PhoneStart::Failed;
  HSZ service = DdeCreateStringHandleA(link.Instance(), QUILLON_SERVICE, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(link.Instance(), QUILLON_TOPIC_INSTANCE, CP_WINANSI);
  CString name;
  UINT number = 0;
  int found = 0;
  const int chosen = CDDEStuff(link.Instance(), service, topic).GetFreeDDEServerName(0, name, &number, &found);
  DdeFreeStringHandle(link.Instance(), service);
  DdeFreeStringHandle(link.Instance(), topic);
  if (!chosen) {
    error = "Běží příliš mnoho Quillonů (více než 64)";
    return PhoneStart::Failed;
  }
  log("server: " + name.str() + (found ? " (running, free)" : " (to be started)"));
  if (!found) {
    CDlgWait4Quillon wait(name, nullptr);
    const auto result = wait.DoModal();
    log(result == IDOK ? "wait dialog: OK" : "wait dialog: Cancel");
    if (result != IDOK) return PhoneStart::WithoutPhone;
  }
  if (!link.Connect(name.str(), error)) return PhoneStart::Failed;
  return PhoneStart::Connected;
}

}  // namespace marlow
