#include "inflate.h"

#include <cstdlib>
#include <cstring>

namespace quendel::loader {

namespace {

constexpr std::uint32_t WindowSize = 32768; // the farthest a deflate distance reaches
constexpr int MaxBits = 15;                 // the longest deflate code
constexpr int LengthSymbols = 286;          // literals, end of block, 29 lengths
constexpr int DistanceSymbols = 30;

const std::uint16_t LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const std::uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const std::uint16_t DistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                        33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                        1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385,
                                        24577};
const std::uint8_t DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block sends its code-length code's lengths.
const std::uint8_t LengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code as a table indexed by the next Bits input bits:
// each entry is the symbol and, from bit 9, its code length; 0 where no code
// of the set begins (an incomplete set), which decodes as damage.
struct TCode {
  std::uint16_t* Table = nullptr;
  int Bits = 0;
};

class TInflater {
public:
  TInflater(TInflateFill Fill, void* FillContext, TInflateFlush Flush, void* FlushContext)
      : FFill(Fill), FFillContext(FillContext), FFlush(Flush), FFlushContext(FlushContext) {}
  ~TInflater() {
    std::free(FWindow);
    std::free(FLengths.Table);
    std::free(FDistances.Table);
  }
  TInflateResult Run();

private:
  // Input, least significant bit first. Past the end of the input the
  // reader supplies zero bytes and counts them: the last code may be
  // looked at with more bits than it has, but using one of them is damage.
  std::uint8_t NextByte() {
    if (FIn == FInEnd) {
      std::uint32_t Count = 0;
      if (!FEnded && !FFill(FFillContext, FIn, Count)) FFailed = true;
      if (Count == 0) {
        FEnded = true;
        ++FPastEnd;
        return 0;
      }
      FInEnd = FIn + Count;
    }
    return *FIn++;
  }
  void Need(int Count) {
    while (FBitCount < Count) {
      FBitBuffer |= static_cast<std::uint32_t>(NextByte()) << FBitCount;
      FBitCount += 8;
    }
  }
  void Drop(int Count) {
    FBitBuffer >>= Count;
    FBitCount -= Count;
    if (FBitCount < 8 * FPastEnd) FFailed = true;
  }
  std::uint32_t Bits(int Count) {
    Need(Count);
    const std::uint32_t Value = FBitBuffer & ((1u << Count) - 1);
    Drop(Count);
    return Value;
  }
  int Decode(const TCode& Code) {
    Need(Code.Bits);
    const std::uint16_t Entry = Code.Table[FBitBuffer & ((1u << Code.Bits) - 1)];
    if (Entry == 0) {
      FFailed = true;
      return 0;
    }
    Drop(Entry >> 9);
    return Entry & 511;
  }

  // How complete a set of code lengths must be. Compressors only write
  // complete sets, but for one lone code of one bit (a block that uses a
  // single distance) and the fixed code's two unused distances; anything
  // else with unused codes is damage, as zlib has it.
  enum class TSet { Complete, LoneCodeMayStand, Fixed };
  bool Build(TCode& Code, const std::uint8_t* Lengths, int Count, TSet Set);
  bool Put(std::uint8_t Byte) {
    FWindow[FTotal++ & (WindowSize - 1)] = Byte;
    return (FTotal & (WindowSize - 1)) != 0 || FlushWindow();
  }
  bool FlushWindow();
  bool Stored();
  bool Dynamic();
  bool Fixed();
  bool Codes();

  TInflateFill FFill;
  void* FFillContext;
  TInflateFlush FFlush;
  void* FFlushContext;
  const std::uint8_t* FIn = nullptr;
  const std::uint8_t* FInEnd = nullptr;
  bool FEnded = false;
  bool FFailed = false;
  bool FStopped = false;
  int FPastEnd = 0;
  std::uint32_t FBitBuffer = 0;
  int FBitCount = 0;
  std::uint8_t* FWindow = nullptr;
  std::uint32_t FTotal = 0;   // bytes inflated, modulo 2^32 (positions in the window)
  std::uint32_t FFlushed = 0; // of them handed to Flush
  std::uint32_t FAdlerA = 1, FAdlerB = 0;
  TCode FLengths, FDistances;
};

bool TInflater::Build(TCode& Code, const std::uint8_t* Lengths, int Count, TSet Set) {
  int PerLength[MaxBits + 1] = {};
  for (int i = 0; i < Count; ++i) ++PerLength[Lengths[i]];
  PerLength[0] = 0;
  // An over-subscribed set cannot be decoded unambiguously.
  int Left = 1, Longest = 0;
  for (int L = 1; L <= MaxBits; ++L) {
    Left = (Left << 1) - PerLength[L];
    if (Left < 0) return false;
    if (PerLength[L] != 0) Longest = L;
  }
  if (Left > 0 && Longest != 0 && Set != TSet::Fixed && (Set == TSet::Complete || Longest != 1))
    return false;
  int Next[MaxBits + 1];
  int First = 0;
  for (int L = 1; L <= MaxBits; ++L) {
    First = (First + PerLength[L - 1]) << 1;
    Next[L] = First;
  }
  const std::uint32_t Size = 1u << Longest;
  std::memset(Code.Table, 0, Size * sizeof *Code.Table);
  for (int Symbol = 0; Symbol < Count; ++Symbol) {
    const int L = Lengths[Symbol];
    if (L == 0) continue;
    // Codes are sent most significant bit first into a stream read from
    // the least significant end: the table is indexed by the reversed code.
    const int Value = Next[L]++;
    std::uint32_t Reversed = 0;
    for (int i = 0; i < L; ++i) Reversed |= ((Value >> i) & 1u) << (L - 1 - i);
    for (std::uint32_t i = Reversed; i < Size; i += 1u << L)
      Code.Table[i] = static_cast<std::uint16_t>(Symbol | L << 9);
  }
  Code.Bits = Longest;
  return true;
}

bool TInflater::FlushWindow() {
  const std::uint32_t Count = FTotal - FFlushed;
  if (Count == 0) return true;
  const std::uint8_t* Data = FWindow + (FFlushed & (WindowSize - 1));
  // Adler-32 in runs short enough that the sums cannot overflow before
  // they are reduced.
  for (std::uint32_t Done = 0; Done < Count;) {
    std::uint32_t Run = Count - Done < 5552 ? Count - Done : 5552;
    for (const std::uint8_t* P = Data + Done; Run > 0; --Run, ++Done) {
      FAdlerA += *P++;
      FAdlerB += FAdlerA;
    }
    FAdlerA %= 65521;
    FAdlerB %= 65521;
  }
  FFlushed = FTotal;
  if (!FFlush(FFlushContext, Data, Count)) FStopped = true;
  return !FStopped;
}

bool TInflater::Stored() {
  Drop(FBitCount & 7);
  const std::uint32_t Length = Bits(16);
  if ((Bits(16) ^ 0xFFFF) != Length) return false;
  for (std::uint32_t i = 0; i < Length && !FFailed; ++i)
    if (!Put(static_cast<std::uint8_t>(Bits(8)))) return false;
  return !FFailed;
}

bool TInflater::Fixed() {
  std::uint8_t Lengths[288 + DistanceSymbols];
  std::memset(Lengths, 8, 144);
  std::memset(Lengths + 144, 9, 112);
  std::memset(Lengths + 256, 7, 24);
  std::memset(Lengths + 280, 8, 8);
  std::memset(Lengths + 288, 5, DistanceSymbols);
  return Build(FLengths, Lengths, 288, TSet::Fixed) &&
         Build(FDistances, Lengths + 288, DistanceSymbols, TSet::Fixed) &&
         Codes();
}

bool TInflater::Dynamic() {
  const int LengthCount = static_cast<int>(Bits(5)) + 257;
  const int DistanceCount = static_cast<int>(Bits(5)) + 1;
  const int CodeCount = static_cast<int>(Bits(4)) + 4;
  if (LengthCount > LengthSymbols || DistanceCount > DistanceSymbols) return false;
  std::uint8_t Lengths[LengthSymbols + DistanceSymbols] = {};
  for (int i = 0; i < CodeCount; ++i) Lengths[LengthOrder[i]] = static_cast<std::uint8_t>(Bits(3));
  // The code-length code is read through the distance table, free until
  // the block's own distance code is built.
  if (!Build(FDistances, Lengths, 19, TSet::Complete) || FFailed) return false;
  std::memset(Lengths, 0, 19);
  const int Total = LengthCount + DistanceCount;
  for (int i = 0; i < Total;) {
    const int Symbol = Decode(FDistances);
    if (FFailed) return false;
    if (Symbol < 16) {
      Lengths[i++] = static_cast<std::uint8_t>(Symbol);
      continue;
    }
    std::uint8_t Value = 0;
    int Repeat;
    if (Symbol == 16) {
      if (i == 0) return false; // nothing to repeat
      Value = Lengths[i - 1];
      Repeat = 3 + static_cast<int>(Bits(2));
    } else if (Symbol == 17) {
      Repeat = 3 + static_cast<int>(Bits(3));
    } else {
      Repeat = 11 + static_cast<int>(Bits(7));
    }
    if (Repeat > Total - i) return false;
    while (Repeat-- > 0) Lengths[i++] = Value;
  }
  // A block without an end-of-block code could never end.
  return !FFailed && Lengths[256] != 0 &&
         Build(FLengths, Lengths, LengthCount, TSet::LoneCodeMayStand) &&
         Build(FDistances, Lengths + LengthCount, DistanceCount, TSet::LoneCodeMayStand) && Codes();
}

bool TInflater::Codes() {
  for (;;) {
    const int Symbol = Decode(FLengths);
    if (FFailed) return false;
    if (Symbol < 256) {
      if (!Put(static_cast<std::uint8_t>(Symbol))) return false;
      continue;
    }
    if (Symbol == 256) return true;
    if (Symbol - 257 >= 29) return false;
    const std::uint32_t Length = LengthBase[Symbol - 257] + Bits(LengthExtra[Symbol - 257]);
    const int D = Decode(FDistances);
    if (FFailed || D >= DistanceSymbols) return false;
    const std::uint32_t Distance = DistanceBase[D] + Bits(DistanceExtra[D]);
    // Never further back than what has been inflated.
    if (FFailed || Distance > FTotal) return false;
    for (std::uint32_t i = 0; i < Length; ++i)
      if (!Put(FWindow[(FTotal - Distance) & (WindowSize - 1)])) return false;
  }
}

TInflateResult TInflater::Run() {
  FWindow = static_cast<std::uint8_t*>(std::malloc(WindowSize));
  FLengths.Table = static_cast<std::uint16_t*>(std::malloc(sizeof(std::uint16_t) << MaxBits));
  FDistances.Table = static_cast<std::uint16_t*>(std::malloc(sizeof(std::uint16_t) << MaxBits));
  if (FWindow == nullptr || FLengths.Table == nullptr || FDistances.Table == nullptr)
    return TInflateResult::NoMemory;
  // The zlib header: deflate with a window of at most 32 KB, no preset
  // dictionary, and its check bits.
  const std::uint32_t Method = Bits(8);
  const std::uint32_t Flags = Bits(8);
  bool Good = !FFailed && (Method & 15) == 8 && (Method >> 4) <= 7 && (Flags & 32) == 0 &&
              (Method << 8 | Flags) % 31 == 0;
  bool Last = false;
  while (Good && !Last) {
    Last = Bits(1) != 0;
    switch (Bits(2)) {
    case 0: Good = Stored(); break;
    case 1: Good = Fixed(); break;
    case 2: Good = Dynamic(); break;
    default: Good = false;
    }
    Good = Good && !FFailed;
  }
  if (FStopped) return TInflateResult::Stopped;
  if (!Good || !FlushWindow()) return FStopped ? TInflateResult::Stopped : TInflateResult::Damaged;
  Drop(FBitCount & 7);
  std::uint32_t Check = 0;
  for (int i = 0; i < 4; ++i) Check = Check << 8 | Bits(8);
  if (FFailed || Check != (FAdlerB << 16 | FAdlerA)) return TInflateResult::Damaged;
  // The stream must end exactly where its input does.
  if (FBitCount != 8 * FPastEnd) return TInflateResult::Damaged;
  if (!FEnded) NextByte();
  return FEnded && !FFailed ? TInflateResult::Ok : TInflateResult::Damaged;
}

} // namespace

TInflateResult InflateZlib(TInflateFill Fill, void* FillContext, TInflateFlush Flush,
                           void* FlushContext) {
  TInflater Inflater(Fill, FillContext, Flush, FlushContext);
  return Inflater.Run();
}

} // namespace quendel::loader
