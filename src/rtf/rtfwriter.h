// Writes the rich-text model as RTF that Windows rich-edit controls, word processors and
// TextEdit read as written. Plain C++, no Qt.
#pragma once

#include "rtf/rtfmodel.h"

#include <string>

namespace velmo::rtf {

// The document as RTF (7-bit ASCII). Characters that code page 932 (or a run's own
// character set) holds are written as \'hh bytes, every other one as \uN with a "?"
// fallback, so any Unicode text survives; read(write(d)) gives d back for a document in
// the form the reader produces (see normalize()).
std::string write(const Document &document);

} // namespace velmo::rtf
