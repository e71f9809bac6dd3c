// libFuzzer target: the RTF reader must take any bytes without crashing, and the document
// it reads must come back unchanged through the writer and the reader.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const velmo::rtf::ReadResult first = velmo::rtf::read(input);
    if (!first.ok())
        return 0;
    const std::string rtf = velmo::rtf::write(first.document);
    velmo::rtf::ReadResult second = velmo::rtf::read(rtf);
    // What the first read left out is not written, so the second read has nothing to leave out.
    second.document.dropped = first.document.dropped;
    if (!second.ok() || !(second.document == first.document)) {
        std::fprintf(stderr, "round trip changed the document; written RTF:\n%s\n", rtf.c_str());
        std::abort();
    }
    return 0;
}
