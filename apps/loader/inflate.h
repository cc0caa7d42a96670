// The loading program's own reader of zlib streams (a deflate stream with
// its two-byte header and Adler-32 trailer). The loading program only ever
// inflates, and the zlib library brings its compressor-side checksums,
// gzip handling and table copies along: this reader is a tenth of its size.
// Every code, length and distance is checked, so damaged data ends in
// Damaged, never in a read or write outside its buffers.
#pragma once

#include <cstdint>

namespace quendel::loader {

// Gives the next piece of compressed data: Count = 0 at its end; false when
// it could not be read.
using TInflateFill = bool (*)(void* Context, const std::uint8_t*& Data, std::uint32_t& Count);
// Takes the next piece of inflated data; false to stop.
using TInflateFlush = bool (*)(void* Context, const std::uint8_t* Data, std::uint32_t Count);

enum class TInflateResult { Ok, Damaged, Stopped, NoMemory };

// Inflates one zlib stream that must take all of the input Fill gives.
TInflateResult InflateZlib(TInflateFill Fill, void* FillContext, TInflateFlush Flush,
                           void* FlushContext);

} // namespace quendel::loader
