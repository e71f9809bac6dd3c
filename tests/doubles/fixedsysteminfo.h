// A program path of the test's choosing, so that the settings file and the companion files
// live in a temporary folder.
#pragma once

#include "platform/system.h"

#include <utility>

namespace velmo {

// Test double: a program path of the test's choosing (usually inside a temporary folder).
class FixedSystemInfo : public SystemInfo {
public:
    explicit FixedSystemInfo(QString programPath) : path_(std::move(programPath)) {}
    QString programPath() const override { return path_; }

private:
    QString path_;
};

} // namespace velmo
