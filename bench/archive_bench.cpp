// Adding and extracting a mixed payload of about 50 MB (text, already
// compressed data, binaries) with the compressor, against plain zlib at the
// same level with the same buffer sizes, and against a plain copy.
//
// Peak memory: every C++ allocation is counted, and the counters report the
// largest amount live during one operation ("heap_peak"); zlib's own state
// (about 270 KiB for deflate, 40 KiB for inflate) comes on top and is fixed.
//
//   build/native-release/bench/bench_archive [--benchmark_filter=...]
//   QUENDEL_BENCH_MB=200 ... for a larger payload
#include "archive/compress.h"

#include "platform/native/native_files.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <random>
#include <unistd.h>

// ---- Counting allocations ------------------------------------------------------

namespace {
std::atomic<std::int64_t> Live{0}, Peak{0};
void Count(std::int64_t N) {
  const std::int64_t now = Live.fetch_add(N) + N;
  std::int64_t p = Peak.load();
  while (now > p && !Peak.compare_exchange_weak(p, now)) {
  }
}
} // namespace

// The replaced operators pair malloc and free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t N) {
  void* p = std::malloc(N ? N : 1);
  if (!p) throw std::bad_alloc();
  Count(static_cast<std::int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* P) noexcept {
  if (!P) return;
  Count(-static_cast<std::int64_t>(malloc_usable_size(P)));
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept {
  operator delete(P);
}

namespace {

namespace fs = std::filesystem;
using namespace quendel;

struct TPayload {
  fs::path Host;
  std::vector<std::string> Names; // relative to Host
  std::int64_t Bytes = 0;
  std::unique_ptr<platform::IFileSystem> Files;

  TPayload() {
    Host = fs::temp_directory_path() / ("quendel-bench-" + std::to_string(getpid()));
    fs::create_directories(Host / "in");
    const char* mb = std::getenv("QUENDEL_BENCH_MB");
    const std::int64_t total = (mb ? std::atoll(mb) : 50) << 20;
    std::mt19937 rng(7);
    // Text: 40 %, in files of 1 MiB.
    static const char* const Words[] = {"install ", "the ", "file ", "archive ", "setup ",
                                        "of ",      "and ", "\r\n",  "Windows ", "version "};
    for (int i = 0; Bytes < total * 4 / 10; ++i) {
      std::string t;
      while (t.size() < (1u << 20))
        t += Words[rng() % 10];
      Put("text" + std::to_string(i) + ".txt", t);
    }
    // Already compressed: 30 %, random bytes in files of 3 MiB.
    for (int i = 0; Bytes < total * 7 / 10; ++i) {
      std::string r(3u << 20, '\0');
      for (auto& c : r)
        c = static_cast<char>(rng());
      Put("packed" + std::to_string(i) + ".jpg", r);
    }
    // Binaries: the rest, from the machine's own 32-bit Windows DLLs when
    // there are any, otherwise code-like bytes.
    const fs::path dlls = "/usr/lib/i386-linux-gnu/wine/i386-windows";
    std::error_code ec;
    if (fs::is_directory(dlls, ec))
      for (const auto& e : fs::directory_iterator(dlls, ec)) {
        if (Bytes >= total) break;
        if (!e.is_regular_file() || e.file_size() > (8u << 20)) continue;
        std::ifstream f(e.path(), std::ios::binary);
        Put("bin_" + e.path().filename().string(),
            std::string(std::istreambuf_iterator<char>(f), {}));
      }
    for (int i = 0; Bytes < total; ++i) {
      std::string b(1u << 20, '\0');
      for (std::size_t k = 0; k < b.size(); ++k)
        b[k] = static_cast<char>((rng() % 4) ? k % 251 : rng());
      Put("code" + std::to_string(i) + ".dll", b);
    }
    Files = std::make_unique<platform::native::TNativeFileSystem>(
        platform::native::TDriveMap().Map('C', Host.string()));
  }
  ~TPayload() {
    Files.reset();
    std::error_code ec;
    fs::remove_all(Host, ec);
  }
  void Put(const std::string& Name, const std::string& Data) {
    std::ofstream(Host / "in" / Name, std::ios::binary)
        .write(Data.data(), static_cast<std::streamsize>(Data.size()));
    Names.push_back(Name);
    Bytes += static_cast<std::int64_t>(Data.size());
  }
};

TPayload& Payload() {
  static TPayload p;
  return p;
}

const TCompressionLevel Levels[] = {colNone, colFastest, colDefault, colMax};

void MakeArchive(TQndlCompress& C, TCompressionLevel Level) {
  TPayload& p = Payload();
  C.SetCompressedFile("C:\\archive.qar");
  C.SetCompressionLevel(Level);
  TStrings l;
  for (const auto& n : p.Names)
    l.Add("C:\\in\\" + n);
  C.SetFilesToProcess(l);
  C.Add(lzcOverwrite, 0);
}

void Report(benchmark::State& State, std::int64_t PeakHeap) {
  State.SetBytesProcessed(State.iterations() * Payload().Bytes);
  State.counters["heap_peak_KiB"] = static_cast<double>(PeakHeap) / 1024.0;
  State.counters["payload_MiB"] = static_cast<double>(Payload().Bytes) / (1 << 20);
}

void BM_ArchiveAdd(benchmark::State& State) {
  TPayload& p = Payload();
  const TCompressionLevel level = Levels[State.range(0)];
  std::int64_t peak = 0;
  for (auto _ : State) {
    TQndlCompress c(nullptr, p.Files.get());
    const std::int64_t base = Live.load();
    Peak = base;
    MakeArchive(c, level);
    peak = std::max(peak, Peak.load() - base);
  }
  Report(State, peak);
  State.counters["archive_MiB"] =
      static_cast<double>(fs::file_size(p.Host / "archive.qar")) / (1 << 20);
}

// The same bytes through deflateInit2/deflate with the same 64 KiB buffers,
// written to one output file.
void BM_PlainDeflate(benchmark::State& State) {
  TPayload& p = Payload();
  const int level = ZlibLevel(Levels[State.range(0)]);
  std::vector<unsigned char> in(65536), out(65536);
  for (auto _ : State) {
    std::FILE* o = std::fopen((p.Host / "plain.z").c_str(), "wb");
    for (const auto& n : p.Names) {
      std::FILE* f = std::fopen((p.Host / "in" / n).c_str(), "rb");
      z_stream z{};
      deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
      int flush = Z_NO_FLUSH;
      do {
        z.avail_in = static_cast<uInt>(std::fread(in.data(), 1, in.size(), f));
        z.next_in = in.data();
        flush = z.avail_in < in.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
          z.next_out = out.data();
          z.avail_out = static_cast<uInt>(out.size());
          deflate(&z, flush);
          std::fwrite(out.data(), 1, out.size() - z.avail_out, o);
        } while (z.avail_out == 0);
      } while (flush != Z_FINISH);
      deflateEnd(&z);
      std::fclose(f);
    }
    std::fclose(o);
  }
  Report(State, 0);
}

void BM_ArchiveExtract(benchmark::State& State) {
  TPayload& p = Payload();
  {
    TQndlCompress c(nullptr, p.Files.get());
    MakeArchive(c, Levels[State.range(0)]);
  }
  std::int64_t peak = 0;
  for (auto _ : State) {
    TQndlCompress c(nullptr, p.Files.get());
    c.SetCompressedFile("C:\\archive.qar");
    c.SetExtractDirectory("C:\\out");
    const std::int64_t base = Live.load();
    Peak = base;
    TStrings l;
    for (const auto& n : p.Names)
      l.Add("C:\\in\\" + n);
    c.SetFilesToProcess(l);
    c.Extract();
    peak = std::max(peak, Peak.load() - base);
  }
  Report(State, peak);
}

// Inflating the archive's members with the same 64 KiB input and 4 KiB
// output buffers, writing each to its file.
void BM_PlainInflate(benchmark::State& State) {
  TPayload& p = Payload();
  TQndlCompress c(nullptr, p.Files.get());
  MakeArchive(c, Levels[State.range(0)]);
  c.SetCompressedFile("C:\\other");
  c.SetCompressedFile("C:\\archive.qar");
  c.Count();
  std::vector<std::pair<long, long>> spans;
  for (int i = 0; i < c.Directory().Count(); ++i) {
    const auto& r = c.Directory().Item(i).Record;
    spans.emplace_back(r.DataStart(), r.EndPosition());
  }
  fs::create_directories(p.Host / "plain");
  std::vector<unsigned char> in(65536), out(4096);
  for (auto _ : State) {
    std::FILE* a = std::fopen((p.Host / "archive.qar").c_str(), "rb");
    for (std::size_t i = 0; i < spans.size(); ++i) {
      std::FILE* o = std::fopen((p.Host / "plain" / p.Names[i]).c_str(), "wb");
      std::fseek(a, spans[i].first, SEEK_SET);
      long left = spans[i].second - spans[i].first + 1;
      z_stream z{};
      inflateInit(&z);
      int rc = Z_OK;
      while (rc != Z_STREAM_END) {
        if (z.avail_in == 0) {
          const std::size_t n = std::fread(in.data(), 1, std::min<long>(left, 65536), a);
          left -= static_cast<long>(n);
          z.next_in = in.data();
          z.avail_in = static_cast<uInt>(n);
          if (n == 0) break;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        std::fwrite(out.data(), 1, out.size() - z.avail_out, o);
      }
      inflateEnd(&z);
      std::fclose(o);
    }
    std::fclose(a);
  }
  Report(State, 0);
}

void BM_PlainCopy(benchmark::State& State) {
  TPayload& p = Payload();
  fs::create_directories(p.Host / "copy");
  std::vector<char> buf(65536);
  for (auto _ : State) {
    for (const auto& n : p.Names) {
      std::FILE* f = std::fopen((p.Host / "in" / n).c_str(), "rb");
      std::FILE* o = std::fopen((p.Host / "copy" / n).c_str(), "wb");
      std::size_t k;
      while ((k = std::fread(buf.data(), 1, buf.size(), f)) > 0)
        std::fwrite(buf.data(), 1, k, o);
      std::fclose(o);
      std::fclose(f);
    }
  }
  Report(State, 0);
}

// Peak heap of adding one file of 4, 16 and 64 MiB: it must not grow.
void BM_PeakHeapBySize(benchmark::State& State) {
  TPayload& p = Payload();
  const std::size_t size = static_cast<std::size_t>(State.range(0)) << 20;
  {
    std::ofstream f(p.Host / "one.bin", std::ios::binary);
    std::mt19937 rng(3);
    std::string chunk(1 << 20, '\0');
    for (std::size_t done = 0; done < size; done += chunk.size()) {
      for (auto& c : chunk)
        c = static_cast<char>(rng() % 16);
      f.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
  }
  std::int64_t addPeak = 0, extractPeak = 0;
  for (auto _ : State) {
    TQndlCompress c(nullptr, p.Files.get());
    c.SetCompressedFile("C:\\one.qar");
    c.SetCompressionLevel(colFastest);
    c.FilesToProcess().Add("C:\\one.bin");
    std::int64_t base = Live.load();
    Peak = base;
    c.Add(lzcOverwrite, 0);
    addPeak = Peak.load() - base;
    c.SetExtractDirectory("C:\\oneout");
    c.FilesToProcess().Add("C:\\one.bin");
    base = Live.load();
    Peak = base;
    c.Extract();
    extractPeak = Peak.load() - base;
  }
  State.counters["add_heap_peak_KiB"] = static_cast<double>(addPeak) / 1024.0;
  State.counters["extract_heap_peak_KiB"] = static_cast<double>(extractPeak) / 1024.0;
  State.SetBytesProcessed(State.iterations() * static_cast<std::int64_t>(size) * 2);
}

} // namespace

BENCHMARK(BM_ArchiveAdd)->DenseRange(1, 3)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PlainDeflate)->DenseRange(1, 3)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ArchiveExtract)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainInflate)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakHeapBySize)
    ->Arg(4)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
