// libFuzzer target: the address finder on any line of code-page-932 bytes and any position.
// What it finds is a word of single-byte characters with no delimiter in it; a search in a
// stretch cut out of the line (as the window reads long lines) never finds anything the
// whole line does not; and what an address becomes for opening is one of the openable kinds.
#include "links/urllink.h"

#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char *what, std::string_view line, std::size_t index)
{
    std::fprintf(stderr, "%s (index %zu of %zu bytes)\n", what, index, line.size());
    std::abort();
}

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

void checkFound(const velmo::AddressSearch &r, std::string_view line, std::size_t index)
{
    if (r.outcome != velmo::AddressSearch::Found)
        return;
    if (r.wordStart > r.wordEnd || r.wordEnd > line.size() || r.address.empty())
        fail("word outside the line", line, index);
    const std::string_view word = line.substr(r.wordStart, r.wordEnd - r.wordStart);
    for (const char c : word) {
        const auto b = static_cast<unsigned char>(c);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (b < 0x20 || b == 0x7F || lead || velmo::IsAddressDelimiter(b))
            fail("a delimiter, control or double-byte character inside the address", line, index);
    }
    const std::string_view a = r.address;
    if (!endsWith(word, a) && !(a.substr(0, 7) == "http://" && endsWith(word, a.substr(7)))
        && a != "mailto:" + std::string(word))
        fail("the address is not taken from its word", line, index);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::size_t at = std::size_t(data[0] | data[1] << 8);
    const std::size_t cutBefore = data[2], cutAfter = data[3];
    const std::string_view line(reinterpret_cast<const char *>(data + 4), size - 4);
    const std::size_t index = std::min(at, line.size());

    const velmo::AddressSearch whole = velmo::FindAddressIn(line, index);
    checkFound(whole, line, index);

    // A stretch around the position, as read from a long line: it holds the position unless
    // the position is just past the line's end.
    const std::size_t from = index - std::min(cutBefore, index);
    const std::size_t to = std::min(line.size(), std::max(index + 1, index + cutAfter));
    const std::string_view stretch = line.substr(from, to - from);
    const velmo::AddressSearch part = velmo::FindAddressIn(stretch, index - from, velmo::DefaultAddressPrefixes(),
                                                           from == 0, to == line.size());
    checkFound(part, stretch, index - from);
    if (part.outcome == velmo::AddressSearch::Found
        && (whole.outcome != velmo::AddressSearch::Found || whole.address != part.address
            || whole.wordStart != part.wordStart + from))
        fail("a stretch finds an address the whole line does not", line, index);
    if (part.outcome == velmo::AddressSearch::OnDoubleByte && whole.outcome != velmo::AddressSearch::OnDoubleByte)
        fail("a stretch sees a double-byte character the whole line does not", line, index);

    if (whole.outcome == velmo::AddressSearch::Found) {
        const QUrl url = velmo::AddressToUrl(whole.address);
        if (url.isValid()) {
            static const QStringList openable{"http", "https", "ftp", "gopher", "mailto", "file"};
            if (!openable.contains(url.scheme().toLower()))
                fail("an address of a kind that is never opened", line, index);
            if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
                for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
                    const QString k = key.toLower();
                    if (k == QLatin1String("attach") || k == QLatin1String("attachment"))
                        fail("a mail address that attaches a file", line, index);
                }
            }
        }
    }
    return 0;
}
