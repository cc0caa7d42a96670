#pragma once
// Threads, locks and conditions for the workers of the portable code (the
// archive's read-ahead and parallel compression). The Win32 build runs them
// on the system's own objects (a thread handle, a slim reader/writer lock, a
// condition variable: no C++ thread library, and under Wine waits that need
// no round trip to the server); elsewhere they are the C++ library's. Each
// adapter has its file (win32/win32_threads.cpp, native/native_threads.cpp).

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace quendel::platform {

// A lock for one thread at a time; not recursive.
class TMutex {
public:
  TMutex() = default;
  TMutex(const TMutex&) = delete;
  TMutex& operator=(const TMutex&) = delete;

  void Lock();
  void Unlock();

private:
  friend class TCondition;
#ifdef _WIN32
  void* FLock = nullptr; // an SRWLOCK, initially zero
#else
  std::mutex FLock;
#endif
};

// Holds a mutex from its construction to its end; may let it go and take it
// again in between.
class TLock {
public:
  explicit TLock(TMutex& Mutex) : FMutex(Mutex) { Mutex.Lock(); }
  ~TLock() {
    if (FHeld) FMutex.Unlock();
  }
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

  void Lock() {
    FMutex.Lock();
    FHeld = true;
  }
  void Unlock() {
    FHeld = false;
    FMutex.Unlock();
  }

private:
  friend class TCondition;
  TMutex& FMutex;
  bool FHeld = true;
};

class TCondition {
public:
  TCondition() = default;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;

  // Lets the held lock go while it waits for a notification (or wakes
  // without one), and holds it again on return.
  void Wait(TLock& Lock);
  template <class Ready> void Wait(TLock& Lock, Ready IsReady) {
    while (!IsReady()) Wait(Lock);
  }
  void NotifyAll();

private:
#ifdef _WIN32
  void* FCondition = nullptr; // a CONDITION_VARIABLE, initially zero
#else
  std::condition_variable FCondition;
#endif
};

// A thread of the process, started by its constructor; it must be joined
// before its end (as std::thread, the program stops otherwise). An error
// escaping Entry stops the program.
class TThread {
public:
  TThread() = default;
  TThread(void (*Entry)(void*), void* Argument);
  ~TThread();
  TThread(TThread&& Other) noexcept;
  TThread& operator=(TThread&& Other) noexcept;

  bool Joinable() const;
  void Join();

  // The processors this process may run on (at least 1).
  static unsigned Processors();

private:
#ifdef _WIN32
  void* FHandle = nullptr;
#else
  std::thread FThread;
#endif
};

} // namespace quendel::platform
