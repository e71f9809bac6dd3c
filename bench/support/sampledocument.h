// The Shift-JIS sample document the engine and search benchmarks share: Japanese, ASCII and
// half-width lines with CR LF ends, and a marker that stands only at the very end.
#pragma once

#include "platform/cp932codec.h"

#include <QString>

#include <iterator>
#include <string>

namespace velmo::bench {

inline const QString kEndMarker = QStringLiteral(u"終端の目印XYZ");

inline std::string makeDocument(std::size_t bytes)
{
    const std::u16string lines[] = {
        u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。",
        u"The quick brown fox jumps over the lazy dog 0123456789.",
        u"ｶﾀｶﾅ混じりの行と、全角英数字ＡＢＣ１２３の行。",
        u"",
    };
    std::string out;
    std::size_t i = 0;
    while (out.size() < bytes) {
        out += cp932::encode(lines[i++ % std::size(lines)]).bytes;
        out += "\r\n";
    }
    out += cp932::encode(kEndMarker.toStdU16String()).bytes;
    return out;
}

} // namespace velmo::bench
