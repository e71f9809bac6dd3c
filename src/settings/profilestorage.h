// How the settings file reaches the disk. Several editor processes share one settings
// file, so every change is a read-modify-write under an exclusive advisory lock on a
// companion file ("<file>.lock"), written beside the target and renamed over it: a reader
// never sees half a file and no writer can drop a key another process wrote meanwhile.
// A batch makes many such writes (a whole save of the settings) one.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

class ProfileStorage {
public:
    virtual ~ProfileStorage() = default;

    // The file's bytes; std::nullopt when it does not exist or cannot be read. Inside a
    // batch on the path, the writes collected so far are already in them.
    std::optional<std::string> read(const QString &path);

    // Runs edit on the current bytes (empty when the file does not exist yet) while holding
    // the lock; when edit returns true, the changed bytes replace the file before the lock
    // is released. Returns false when the system refuses the write (read-only file or
    // folder, full disk); the file is then as it was. Inside a batch on the path the edit
    // is only collected (and true returned); the batch's commit runs it.
    // An edit may be run more than once (on a batch's view and at its commit), so it keeps
    // copies of what it writes, never references.
    using Edit = std::function<bool(std::string &bytes)>;
    bool modify(const QString &path, const Edit &edit);

    // A batch: the writes to path from here to commitBatch are collected and then made in
    // one locked read-modify-write with one flush to the disk, on the file as it is at the
    // commit (keys other processes wrote meanwhile stay). Batches nest; only the outermost
    // commit writes. commitBatch returns false when the system refuses the write: then
    // nothing of the batch reached the file.
    void beginBatch(const QString &path);
    bool commitBatch(const QString &path);
    bool inBatch(const QString &path) const { return batches_.contains(path); }

    // The local file system. Stateless but for open batches; one instance serves every
    // record of a window.
    static ProfileStorage &system();

protected:
    virtual std::optional<std::string> readFile(const QString &path) = 0;
    virtual bool modifyFile(const QString &path, const Edit &edit) = 0;

private:
    struct Batch {
        int depth = 0;
        std::vector<Edit> edits;
        // The file as read at the first look inside the batch, with the edits applied.
        std::optional<std::string> view;
    };
    std::map<QString, Batch> batches_;
};

class LocalProfileStorage : public ProfileStorage {
protected:
    std::optional<std::string> readFile(const QString &path) override;
    bool modifyFile(const QString &path, const Edit &edit) override;
};

} // namespace velmo
