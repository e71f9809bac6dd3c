// An error raised below the windows (a refused settings write, a malformed integer, a
// failed stream). Windows do not catch it; the application's standard error display shows
// its message in a stop box and the operation in progress ends there.
#pragma once

#include <stdexcept>
#include <string>

namespace velmo {

class ComponentError : public std::runtime_error {
public:
    // The message is UTF-8 and shown to the user as it stands.
    explicit ComponentError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace velmo
