#include "core/byte_order.h"

namespace quendel::detail {

void ByteReadOutOfRange(std::size_t At, std::size_t Count, std::size_t Size) {
  Raise<EReadError>("Unexpected end of data: %u bytes wanted at offset %u of %u",
                    {Count, At, Size});
}

void ByteWriteOutOfRange(std::size_t At, std::size_t Count, std::size_t Size) {
  Raise<EWriteError>("Cannot write %u bytes at offset %u of a %u-byte buffer", {Count, At, Size});
}

} // namespace quendel::detail
