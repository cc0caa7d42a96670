// Inflating the members of an archive ahead of the thread that writes them.
// An install extracts its files one Extract at a time, each asking the
// system for the target, its temporary name, the move and the registry;
// meanwhile one worker thread reads and inflates the next members of the
// same archive file in directory order into a bounded queue of output
// blocks, so that the zlib work runs while the writer waits on the system.
//
// The worker cuts each member into the same output blocks as inflating
// inline (InflateOutput bytes, the last one shorter) and records how the
// member ended, so that the writer raises the same errors at the same block
// and fires the same events. What it holds never exceeds the window (plus
// one block), whatever the members' sizes; a member larger than the window
// streams through it.
#pragma once

#include "archive/file_stream.h"
#include "platform/threads.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <vector>

namespace quendel {

class TInflateAhead {
public:
  // The inflated bytes held between the worker and the writer.
  static constexpr std::size_t DefaultWindow = 2u << 20;

  // One member of the plan: its place in the directory and its compressed
  // bytes, First to Last inclusive, in the archive file.
  struct TMember {
    int Index = 0;
    std::int64_t First = 0;
    std::int64_t Last = -1;
    std::int64_t Size = 0; // the uncompressed size its header promises
  };

  // A block of the member begun, or the member's end.
  struct TPiece {
    std::vector<std::uint8_t> Data;
    bool End = false;
    // At the end: the stream said it was complete.
    bool Ended = false;
    // At the end: the last round gave no output (inflating inline would
    // check for a cancel and let input through once more).
    bool EmptyRound = false;
    // At the end: what reading or inflating raised.
    std::exception_ptr Error;
  };

  explicit TInflateAhead(std::size_t Window = DefaultWindow);
  // Stops the worker and joins it; the archive is closed.
  ~TInflateAhead();
  TInflateAhead(const TInflateAhead&) = delete;
  TInflateAhead& operator=(const TInflateAhead&) = delete;

  // Hands the worker Archive (used by it alone from now until Cancel) and
  // the members to inflate, in order. Any earlier plan is cancelled first.
  void Plan(std::unique_ptr<TPlatformFileStream> Archive, std::vector<TMember> Members);
  // Drops what was inflated of the members planned before Index. True when
  // Index is the worker's next member (its blocks follow through Next);
  // false when it is not planned, was passed, or the worker is still busy
  // with an earlier member (the caller plans again from Index).
  bool Begin(int Index);
  // The next block of the member begun, waiting for it; the last piece of
  // a member has End set.
  TPiece Next();
  // Stops the current plan and returns its archive (nullptr when none); the
  // worker thread stays for the next plan.
  std::unique_ptr<TPlatformFileStream> Cancel();

  // Tests: how many plans were made, and whether the worker is on one.
  int Plans() const { return FPlans; }

private:
  struct TQueued {
    std::size_t Slot = 0; // the position in the plan
    TPiece Piece;
  };

  void Work();
  // Inflates plan slot S; false when the plan was cancelled meanwhile.
  bool InflateSlot(std::size_t S, void* Stream, std::vector<std::uint8_t>& In);
  // Queues a piece of slot S, waiting while the window is full; false when
  // the plan was cancelled meanwhile.
  bool Push(std::size_t S, TPiece Piece);
  // Drops every queued piece (under the lock).
  void DropQueue();
  // Bytes left the queue (under the lock).
  void Took(std::size_t Bytes);

  const std::size_t FWindow;
  platform::TMutex FMutex;
  platform::TCondition FChanged;
  platform::TThread FThread;
  bool FQuit = false;
  // The plan, set by the writer while the worker is idle.
  std::unique_ptr<TPlatformFileStream> FArchive;
  std::vector<TMember> FMembers;
  std::uint64_t FGeneration = 0; // bumped by every plan and cancel
  std::uint64_t FRunning = 0;    // the generation the worker took up
  bool FPending = false;         // a plan the worker has not taken up yet
  bool FBusy = false;            // the worker is on the current plan
  std::size_t FWorking = 0;      // the slot the worker is inflating
  std::deque<TQueued> FQueue;
  std::size_t FQueued = 0;     // bytes in FQueue
  bool FWriterWaiting = false; // Next waits for a block
  bool FWorkerWaiting = false; // Push waits for room in the window
  std::size_t FCurrent = 0;    // the slot the writer began
  int FPlans = 0;
};

} // namespace quendel
