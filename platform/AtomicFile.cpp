#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string folderOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Where a chain of symbolic links leads, the last link's target taken
// relative to its own folder; the path itself when it is no link.
std::string followLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link;
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return path;
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
        if (length <= 0)
            return path;
        const std::string target(buffer, std::size_t(length));
        path = target.front() == '/' ? target : folderOf(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

} // namespace

std::string systemReason(int systemError)
{
    switch (systemError) {
    case ENOSPC: return "le disque est plein";
    case EDQUOT: return "le quota de l'utilisateur est atteint";
    case EROFS: return "le disque est en lecture seule";
    case EACCES:
    case EPERM: return "permission refusée";
    case ENOENT: return "le dossier n'existe pas";
    case ENOTDIR: return "un élément du chemin n'est pas un dossier";
    case EISDIR: return "c'est un dossier";
    case ELOOP: return "trop de liens symboliques";
    case ENAMETOOLONG: return "le nom est trop long";
    case EIO: return "erreur d'entrée-sortie du disque";
    case EFBIG: return "le fichier est trop grand";
    case ENODEV:
    case ENXIO: return "ce n'est pas un fichier ordinaire";
    default: return std::strerror(systemError);
    }
}

WriteError::WriteError(const std::string &file, int systemError)
    : std::runtime_error("Impossible d'écrire le fichier « " + file + " » : " + systemReason(systemError) + "."),
      file_(file), systemError_(systemError)
{
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target))
{
    resolved_ = followLinks(target_);
    if (resolved_.empty())
        fail(errno);
    struct stat existing;
    if (::stat(resolved_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        fail(S_ISDIR(existing.st_mode) ? EISDIR : ENODEV);
    // Created with the usual permissions (umask applies), never over another file.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = resolved_ + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd_ = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        fail(errno);
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicFile::fail(int systemError) const
{
    throw WriteError(target_, systemError);
}

void AtomicFile::write(const void *data, std::size_t size)
{
    writeAt(position_, data, size);
    position_ += size;
}

void AtomicFile::writeAt(std::uint64_t offset, const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd_, bytes + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC);
        done += std::size_t(n);
    }
    if (offset + size > size_)
        size_ = offset + size;
}

std::size_t AtomicFile::readAt(std::uint64_t offset, void *into, std::size_t size) const
{
    auto *bytes = static_cast<unsigned char *>(into);
    std::size_t done = 0;
    while (done < size && offset + done < size_) {
        const ssize_t n = ::pread(fd_, bytes + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    return done;
}

void AtomicFile::commit()
{
    // A file written again keeps the permissions it had.
    struct stat existing;
    if (::stat(resolved_.c_str(), &existing) == 0)
        ::fchmod(fd_, existing.st_mode & 07777);
    // The disk may refuse the data only now (a full disk, a network folder).
    if (::fsync(fd_) != 0)
        fail(errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        fail(errno);
    if (std::rename(temporary_.c_str(), resolved_.c_str()) != 0)
        fail(errno);
    committed_ = true;
    // The new name lasts only once its folder is on the disk too.
    const int folder = ::open(folderOf(resolved_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace platform
