// Settings storage whose writes can be made to fail.
#pragma once

#include "settings/profilestorage.h"

#include <QString>

#include <optional>
#include <string>

namespace velmo {

// Test double: the local file system, except that writes are refused once a set number of
// them has gone through (root ignores permission bits, so a refusal must be staged).
class FaultyProfileStorage : public ProfileStorage {
public:
    // Let `count` more writes through, then refuse every one; negative: never refuse. A
    // batch's commit is one write.
    void refuseAfter(int count) { remaining_ = count; }
    int writes() const { return writes_; }
    int refused() const { return refused_; }

protected:
    std::optional<std::string> readFile(const QString &path) override;
    bool modifyFile(const QString &path, const Edit &edit) override;

private:
    struct Local : LocalProfileStorage {
        using LocalProfileStorage::modifyFile;
        using LocalProfileStorage::readFile;
    } local_;
    int remaining_ = -1;
    int writes_ = 0;
    int refused_ = 0;
};

} // namespace velmo
