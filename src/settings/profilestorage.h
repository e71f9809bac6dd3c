// How the settings file reaches the disk. Several editor processes share one settings
// file, so every change is a read-modify-write under an exclusive advisory lock on a
// companion file ("<file>.lock"), written beside the target and renamed over it: a reader
// never sees half a file and no writer can drop a key another process wrote meanwhile.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace velmo {

class ProfileStorage {
public:
    virtual ~ProfileStorage() = default;

    // The file's bytes; std::nullopt when it does not exist or cannot be read.
    virtual std::optional<std::string> read(const QString &path) = 0;

    // Runs edit on the current bytes (empty when the file does not exist yet) while holding
    // the lock; when edit returns true, the changed bytes replace the file before the lock
    // is released. Returns false when the system refuses the write (read-only file or
    // folder, full disk); the file is then as it was.
    using Edit = std::function<bool(std::string &bytes)>;
    virtual bool modify(const QString &path, const Edit &edit) = 0;

    // The local file system. Stateless; one instance serves every record.
    static ProfileStorage &system();
};

class LocalProfileStorage : public ProfileStorage {
public:
    std::optional<std::string> read(const QString &path) override;
    bool modify(const QString &path, const Edit &edit) override;
};

// Test double: the local file system, except that writes are refused once a set number of
// them has gone through (root ignores permission bits, so a refusal must be staged).
class FaultyProfileStorage : public ProfileStorage {
public:
    std::optional<std::string> read(const QString &path) override;
    bool modify(const QString &path, const Edit &edit) override;

    // Let `count` more writes through, then refuse every one; negative: never refuse.
    void refuseAfter(int count) { remaining_ = count; }
    int writes() const { return writes_; }
    int refused() const { return refused_; }

private:
    LocalProfileStorage local_;
    int remaining_ = -1;
    int writes_ = 0;
    int refused_ = 0;
};

} // namespace velmo
