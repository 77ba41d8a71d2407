// A logger data file of arbitrary bytes: refused or read; what is read writes back to
// an image that reads to the same channels.
#include <cstdlib>

#include "files/logger_data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    const ReadResult read = decodeLoggerDataFile(ByteView(data, size));
    if (!read) return 0;
    const Bytes image = encodeLoggerDataFile(read.channels);
    const ReadResult again = decodeLoggerDataFile(image);
    if (!again || again.recordCount != read.recordCount ||
        again.channels.size() != read.channels.size())
        std::abort();
    return 0;
}
