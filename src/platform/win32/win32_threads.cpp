#include "platform/threads.h"

#include "platform/win32/win32_error.h"

#include <exception>

namespace quendel::platform {

namespace {

// Both are a single pointer that starts as zero (SRWLOCK_INIT,
// CONDITION_VARIABLE_INIT), which is how the header keeps them.
static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

PSRWLOCK Srw(void*& Lock) { return reinterpret_cast<PSRWLOCK>(&Lock); }

struct TStart {
  void (*Entry)(void*);
  void* Argument;
};

DWORD WINAPI Run(LPVOID Parameter) {
  const TStart Start = *static_cast<TStart*>(Parameter);
  delete static_cast<TStart*>(Parameter);
  Start.Entry(Start.Argument);
  return 0;
}

} // namespace

void TMutex::Lock() { ::AcquireSRWLockExclusive(Srw(FLock)); }
void TMutex::Unlock() { ::ReleaseSRWLockExclusive(Srw(FLock)); }

void TCondition::Wait(TLock& Lock) {
  ::SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&FCondition),
                              Srw(Lock.FMutex.FLock), INFINITE, 0);
}

void TCondition::NotifyAll() {
  ::WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&FCondition));
}

TThread::TThread(void (*Entry)(void*), void* Argument) {
  auto* Start = new TStart{Entry, Argument};
  FHandle = ::CreateThread(nullptr, 0, Run, Start, 0, nullptr);
  if (!FHandle) {
    const DWORD Code = ::GetLastError();
    delete Start;
    win32::ThrowError("CreateThread", "", static_cast<LONG>(Code));
  }
}

TThread::~TThread() {
  if (FHandle) std::terminate();
}

TThread::TThread(TThread&& Other) noexcept : FHandle(Other.FHandle) { Other.FHandle = nullptr; }

TThread& TThread::operator=(TThread&& Other) noexcept {
  if (FHandle) std::terminate();
  FHandle = Other.FHandle;
  Other.FHandle = nullptr;
  return *this;
}

bool TThread::Joinable() const { return FHandle != nullptr; }

void TThread::Join() {
  ::WaitForSingleObject(FHandle, INFINITE);
  ::CloseHandle(FHandle);
  FHandle = nullptr;
}

unsigned TThread::Processors() {
  DWORD_PTR Process = 0, System = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &Process, &System) || Process == 0)
    return 1;
  unsigned Count = 0;
  for (; Process; Process &= Process - 1) ++Count;
  return Count;
}

} // namespace quendel::platform
