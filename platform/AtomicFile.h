#pragma once
// The one way the program writes a file: whole or not at all.  The bytes go
// to a new temporary file beside the target; every write is checked, and
// commit() flushes them to the disk (fsync), keeps the permissions of the
// file it replaces and renames the temporary over the target.  Until then,
// and whenever anything fails, the old file stays byte for byte and the
// temporary is removed.  A target that is a symbolic link is written where
// the link points; one that exists but is no regular file (a device, a pipe,
// a folder) is refused rather than replaced.  Errors name the file and the
// system's reason, in French.
//
// Plain C++ over the C library, so that the codecs and the plug-in
// libraries write through it as the program does.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

class WriteError : public std::runtime_error {
public:
    WriteError(const std::string &file, int systemError);
    // The file as the user named it, and errno of the failure.
    const std::string &file() const { return file_; }
    int systemError() const { return systemError_; }

private:
    std::string file_;
    int systemError_;
};

// "le disque est plein", "permission refusée", ...: errno in French words.
std::string systemReason(int systemError);

class AtomicFile {
public:
    // Throws WriteError when the target is refused or no temporary can be made.
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    void write(const void *data, std::size_t size);
    void writeAt(std::uint64_t offset, const void *data, std::size_t size);
    // Reads back what was written (formats that patch their headers); the count read.
    std::size_t readAt(std::uint64_t offset, void *into, std::size_t size) const;
    std::uint64_t size() const { return size_; }
    // Syncs, closes and renames over the target; throws WriteError, leaving the old file.
    void commit();

    const std::string &target() const { return target_; }

private:
    [[noreturn]] void fail(int systemError) const;

    std::string target_;   // as named
    std::string resolved_; // where a symbolic link leads
    std::string temporary_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
    bool committed_ = false;
};

} // namespace platform
