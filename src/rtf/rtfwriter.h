// Writes the rich-text model as RTF that Windows rich-edit controls, word processors and
// TextEdit read as written. Plain C++, no Qt.
#pragma once

#include "rtf/rtfmodel.h"

#include <string>

namespace velmo::rtf {

// The document as RTF (7-bit ASCII). Characters that a run's character set holds are
// written as \'hh bytes in its code page, every other one as \uN with a "?" fallback, so
// any Unicode text survives; a font of no character set (DEFAULT_CHARSET) has all its text
// beyond ASCII written as \uN, since readers disagree on what its bytes would mean.
// Numbered lists are written both as old-style numbering and as a list table; read(write(d)) gives d back for a document in
// the form the reader produces (see normalize()).
// A frame's paragraphs are written as paragraphs placed where they stand, which word
// processors take for a frame and other readers for ordinary paragraphs.
std::string write(const Document &document);

} // namespace velmo::rtf
