// Reads RTF into the rich-text model. Plain C++, no Qt.
#pragma once

#include "rtf/rtfmodel.h"

#include <string>
#include <string_view>

namespace velmo::rtf {

enum class ReadError {
    None,
    NotRtf,     // the input does not begin with "{\rtf": read it as plain text instead
};

struct ReadResult {
    Document document;          // what could be read; empty unless ok()
    ReadError error = ReadError::None;
    std::string message;        // why reading failed, in English, for logs
    bool ok() const { return error == ReadError::None; }
};

// Whether the bytes begin like an RTF document ("{\rtf", optionally after white space).
bool looksLikeRtf(std::string_view bytes);

// Reads an RTF document. Damaged input (unbalanced braces, truncated escapes, garbage)
// still yields the text it holds; only input that is not RTF at all fails. Never throws
// on bad input, and time and memory stay linear in the input's size.
ReadResult read(std::string_view rtf);

} // namespace velmo::rtf
