#include "shell/quit.h"

#include <allegro.h>

#include <atomic>
#include <csignal>

namespace {

// Lock-free, hence safe to set from a signal handler on whatever thread the
// signal lands (the library runs timer and input threads of its own).
std::atomic<bool> Quit{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the quit flag must be lock-free");

void OnQuitSignal(int) { RequestQuit(); }

void OnCloseButton() { RequestQuit(); }

}  // namespace

void InstallQuitSignals() {
  std::signal(SIGTERM, OnQuitSignal);
  std::signal(SIGINT, OnQuitSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnQuitSignal);
#endif
}

void InstallCloseButton() { set_close_button_callback(OnCloseButton); }

bool QuitRequested() { return Quit.load(std::memory_order_relaxed); }

void RequestQuit() { Quit.store(true, std::memory_order_relaxed); }

void CancelQuit() { Quit.store(false, std::memory_order_relaxed); }
