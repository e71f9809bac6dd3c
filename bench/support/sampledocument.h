// The Shift-JIS sample document the engine and search benchmarks share: the Japanese manual
// pages' prose (varied paragraphs with ASCII names and options among them) with CR LF ends,
// and a marker that stands only at the very end.
#pragma once

#include "japaneseprose.h"
#include "platform/cp932codec.h"

#include <QString>

#include <string>

namespace velmo::bench {

inline const QString kEndMarker = QStringLiteral(u"終端の目印XYZ");

// About `bytes` long (whole paragraphs, at least one), then the marker.
inline std::string makeDocument(std::size_t bytes)
{
    const auto &paragraphs = requireJapaneseParagraphs();
    std::string out;
    for (std::size_t i = 0; out.empty() || out.size() < bytes; ++i) {
        out += cp932::encode(paragraphs[i % paragraphs.size()]).bytes;
        out += "\r\n";
    }
    out += cp932::encode(kEndMarker.toStdU16String()).bytes;
    return out;
}

} // namespace velmo::bench
