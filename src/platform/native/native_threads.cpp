#include "platform/threads.h"

namespace quendel::platform {

void TMutex::Lock() { FLock.lock(); }
void TMutex::Unlock() { FLock.unlock(); }

void TCondition::Wait(TLock& Lock) {
  std::unique_lock<std::mutex> Held(Lock.FMutex.FLock, std::adopt_lock);
  FCondition.wait(Held);
  Held.release();
}

void TCondition::NotifyAll() { FCondition.notify_all(); }

TThread::TThread(void (*Entry)(void*), void* Argument) : FThread(Entry, Argument) {}

TThread::~TThread() = default;
TThread::TThread(TThread&& Other) noexcept = default;
TThread& TThread::operator=(TThread&& Other) noexcept = default;

bool TThread::Joinable() const { return FThread.joinable(); }
void TThread::Join() { FThread.join(); }

unsigned TThread::Processors() {
  const unsigned Count = std::thread::hardware_concurrency();
  return Count ? Count : 1;
}

} // namespace quendel::platform
