// The loading program's own inflater against zlib, on the same bytes. The
// first input byte chooses the way round:
//   even: the rest is a zlib stream as it might arrive damaged; whatever
//         zlib accepts in full, the inflater must accept with the same
//         bytes, and whatever the inflater accepts, zlib must too;
//   odd:  the rest is data; zlib compresses it at a level and strategy the
//         byte chooses, and the inflater must give it back exactly.
// Input is handed over in pieces of a size the second byte chooses, as the
// setup archive's reader hands over its chunks.
#include "inflate.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TSource {
  const std::uint8_t* Data;
  std::size_t Size, Piece, At = 0;
};

bool Fill(void* Context, const std::uint8_t*& Data, std::uint32_t& Count) {
  auto& S = *static_cast<TSource*>(Context);
  const std::size_t Left = S.Size - S.At;
  Count = static_cast<std::uint32_t>(Left < S.Piece ? Left : S.Piece);
  Data = S.Data + S.At;
  S.At += Count;
  return true;
}

// Stops once the output passes a bound, so that a small input that
// inflates to gigabytes costs nothing.
constexpr std::size_t Limit = 1 << 22;

bool Flush(void* Context, const std::uint8_t* Data, std::uint32_t Count) {
  auto& Out = *static_cast<TBytes*>(Context);
  Out.insert(Out.end(), Data, Data + Count);
  return Out.size() <= Limit;
}

[[noreturn]] void Fault(const char* What) {
  std::fprintf(stderr, "%s\n", What);
  std::abort();
}

// zlib's verdict: true with Out when the stream is good, ends at the end of
// the input exactly and inflates to at most Limit bytes.
bool ZlibInflate(const std::uint8_t* Data, std::size_t Size, TBytes& Out, bool& TooLong) {
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) Fault("inflateInit failed");
  Z.next_in = const_cast<Bytef*>(Data);
  Z.avail_in = static_cast<uInt>(Size);
  std::uint8_t Buffer[16384];
  int Result = Z_OK;
  TooLong = false;
  while (Result == Z_OK) {
    Z.next_out = Buffer;
    Z.avail_out = sizeof Buffer;
    Result = inflate(&Z, Z_NO_FLUSH);
    Out.insert(Out.end(), Buffer, Buffer + (sizeof Buffer - Z.avail_out));
    if (Out.size() > Limit) {
      TooLong = true;
      break;
    }
    if (Result == Z_BUF_ERROR && Z.avail_in == 0) break; // the input ended early
  }
  const bool Good = Result == Z_STREAM_END && Z.avail_in == 0;
  inflateEnd(&Z);
  return Good;
}

TBytes ZlibDeflate(const std::uint8_t* Data, std::size_t Size, int Level, int Strategy) {
  z_stream Z{};
  if (deflateInit2(&Z, Level, Z_DEFLATED, 15, 8, Strategy) != Z_OK) Fault("deflateInit2 failed");
  TBytes Out(deflateBound(&Z, Size) + 16);
  Z.next_in = const_cast<Bytef*>(Data);
  Z.avail_in = static_cast<uInt>(Size);
  Z.next_out = Out.data();
  Z.avail_out = static_cast<uInt>(Out.size());
  if (deflate(&Z, Z_FINISH) != Z_STREAM_END) Fault("deflate did not finish");
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel::loader;
  if (Size < 2) return 0;
  const std::uint8_t Mode = Data[0];
  const std::size_t Piece = 1 + Data[1] % 64 * 97;
  Data += 2;
  Size -= 2;
  TBytes Stream;
  if (Mode & 1) {
    static const int Strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE,
                                     Z_FIXED};
    Stream = ZlibDeflate(Data, Size, Mode >> 1 & 7 ? (Mode >> 1 & 7) + 2 : 0,
                         Strategies[(Mode >> 4) % 5]);
  } else {
    Stream.assign(Data, Data + Size);
  }

  TSource Source{Stream.data(), Stream.size(), Piece};
  TBytes Ours;
  const TInflateResult Result = InflateZlib(Fill, &Source, Flush, &Ours);

  if (Mode & 1) {
    if (Result != TInflateResult::Ok) Fault("a stream zlib wrote was refused");
    if (Ours.size() != Size || (Size != 0 && std::memcmp(Ours.data(), Data, Size) != 0))
      Fault("a stream zlib wrote came back different");
    return 0;
  }

  TBytes Theirs;
  bool TooLong = false;
  const bool ZlibGood = ZlibInflate(Stream.data(), Stream.size(), Theirs, TooLong);
  if (TooLong || Result == TInflateResult::Stopped) return 0; // both ran into the bound
  if (Result == TInflateResult::NoMemory) Fault("out of memory on a small input");
  if (ZlibGood != (Result == TInflateResult::Ok)) {
    std::fprintf(stderr, "zlib %s, the inflater %s\n", ZlibGood ? "accepts" : "refuses",
                 Result == TInflateResult::Ok ? "accepts" : "refuses");
    Fault("the verdicts differ");
  }
  if (ZlibGood && Ours != Theirs) Fault("the same stream inflated to different bytes");
  return 0;
}
