// libFuzzer target: decoding code page 932 never loses a byte. Any bytes decode and encode back
// to the same bytes with nothing reported unrepresentable; the one change allowed is a code
// that shares its character with another (the NEC and IBM duplicates), which comes back as
// the code Windows writes for that character, and the bytes written read as the same text.
// The decoded text is as long, in editor positions, as the bytes it came from.
#include "platform/cp932codec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::u16string text = velmo::cp932::decode(bytes);
    const velmo::cp932::EncodeResult back = velmo::cp932::encode(text);
    if (back.bytes.size() != size || !back.unrepresentable.empty()) {
        std::fprintf(stderr, "decode -> encode changed %zu bytes into %zu (%zu unrepresentable)\n",
                     size, back.bytes.size(), back.unrepresentable.size());
        std::abort();
    }
    // Character by character: only a valid pair may differ, and only into a pair of the same
    // character.
    const std::string_view out(back.bytes);
    for (std::size_t i = 0; i < size;) {
        const bool pair = velmo::cp932::isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < size
                          && velmo::cp932::decode(bytes.substr(i, 2)).size() == 1;
        const std::size_t n = pair ? 2 : 1;
        if (out.substr(i, n) != bytes.substr(i, n)
            && (!pair || velmo::cp932::decode(out.substr(i, 2)) != velmo::cp932::decode(bytes.substr(i, 2)))) {
            std::fprintf(stderr, "decode -> encode changed byte %zu of %zu\n", i, size);
            std::abort();
        }
        i += n;
    }
    if (velmo::cp932::decode(back.bytes) != text) {
        std::fprintf(stderr, "the bytes written for %zu bytes read as another text\n", size);
        std::abort();
    }
    if (velmo::cp932::byteLength(text) != size) {
        std::fprintf(stderr, "%zu bytes decode to a text of %zu editor positions\n", size,
                     velmo::cp932::byteLength(text));
        std::abort();
    }
    return 0;
}
