#include "file/disk_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "chimdb/database_error.h"
#include "format/file_format.h"
#include "values/printable_text.h"

namespace chimdb {

namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Local file systems on which a read shows every write of every opener of the file at once
// (one page cache). Network and cluster file systems cache per machine, so there the store
// reads the file under the lock instead.
bool ReadsAreCoherent(int fd) {
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // xfs
        case 0x9123683E:  // btrfs
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0xF2F52010:  // f2fs
        case 0x2FC12FC1:  // zfs
        case 0x794C7630:  // overlayfs
        case 0xCA451A4E:  // bcachefs
        case 0x3153464A:  // jfs
        case 0x52654973:  // reiserfs
            return true;
        default:
            return false;
    }
}

}  // namespace

DiskFile::DiskFile(const std::string& path, Access access) : path_(path), access_(access) {
    fd_ = OpenRetrying(path.c_str(), access == Access::ReadOnly ? O_RDONLY : O_RDWR);
    if (fd_ < 0)
        RaiseError(format::kMsgCannotOpen, path);
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        RaiseError(format::kMsgCannotOpen, path);
    }
    coherentReads_ = ReadsAreCoherent(fd_);
}

DiskFile::DiskFile(std::string path, Access access, int fd)
    : path_(std::move(path)), access_(access), fd_(fd), coherentReads_(ReadsAreCoherent(fd)) {}

DiskFile::DiskFile(DiskFile&& other) noexcept
    : path_(std::move(other.path_)),
      access_(other.access_),
      fd_(std::exchange(other.fd_, -1)),
      coherentReads_(other.coherentReads_),
      mapping_(std::move(other.mapping_)) {}

DiskFile::~DiskFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool DiskFile::ReadShared(std::int64_t offset, std::span<std::uint8_t> dst) {
    if (offset < 0 || dst.empty() || !coherentReads_)
        return false;
    if (mapping_.Copy(offset, dst))
        return true;
    // Past the mapping (the file grew since it was mapped), or past the end of the file as
    // another program left it: a plain read tells which.
    const std::int64_t end = offset + static_cast<std::int64_t>(dst.size());
    if (static_cast<std::uint64_t>(end) > mapping_.Length())
        MapUpTo(end);
    return ReadAt(offset, dst) == dst.size();
}

void DiskFile::MapUpTo(std::int64_t end) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || info.st_size < end)
        return;
    // Address space, not memory: the pages that are never read are never loaded.
    constexpr std::int64_t kRoom = 16 << 20;
    const std::int64_t length = std::max(info.st_size * 2, info.st_size + kRoom);
    if (!mapping_.Map(fd_, static_cast<std::size_t>(length)))
        mapping_.Unmap();
}

DiskFile DiskFile::CreateNew(const std::string& path) {
    int fd = OpenRetrying(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            RaiseError(format::kMsgAlreadyExists, path);
        RaiseError(format::kMsgCannotOpen, path);
    }
    return DiskFile(path, Access::ReadWrite, fd);
}

void DiskFile::RaiseIoError(const char* operation, int error) const {
    throw DatabaseError(std::string(operation) + " error on file " + PrintableText(path_) + ": " +
                        std::strerror(error));
}

std::size_t DiskFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) {
    if (offset < 0)
        RaiseError(format::kMsgCorrupt, path_);
    std::size_t done = 0;
    while (done < dst.size()) {
        ssize_t n = ::pread(fd_, dst.data() + done, dst.size() - done,
                            static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseIoError("Read", errno);
        }
        if (n == 0)
            break;  // end of file
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void DiskFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) {
    if (offset < 0)
        RaiseError(format::kMsgCorrupt, path_);
    if (access_ == Access::ReadOnly)
        RaiseIoError("Write", EBADF);
    std::size_t done = 0;
    while (done < src.size()) {
        ssize_t n = ::pwrite(fd_, src.data() + done, src.size() - done,
                             static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseIoError("Write", errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void DiskFile::WriteGathered(std::int64_t offset,
                             std::span<const std::span<const std::uint8_t>> parts) {
    if (offset < 0)
        RaiseError(format::kMsgCorrupt, path_);
    if (access_ == Access::ReadOnly)
        RaiseIoError("Write", EBADF);
    std::vector<iovec> pending;
    pending.reserve(std::min<std::size_t>(parts.size(), IOV_MAX));
    std::size_t next = 0;
    while (next < parts.size() || !pending.empty()) {
        while (next < parts.size() && pending.size() < IOV_MAX) {
            const std::span<const std::uint8_t> part = parts[next++];
            if (!part.empty())
                pending.push_back({const_cast<std::uint8_t*>(part.data()), part.size()});
        }
        if (pending.empty())
            break;
        ssize_t n = ::pwritev(fd_, pending.data(), static_cast<int>(pending.size()),
                              static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseIoError("Write", errno);
        }
        offset += n;
        // Drop what was written; a short write leaves the rest of a part.
        auto written = static_cast<std::size_t>(n);
        std::size_t done = 0;
        while (done < pending.size() && written >= pending[done].iov_len)
            written -= pending[done++].iov_len;
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(done));
        if (!pending.empty() && written > 0) {
            pending.front().iov_base =
                static_cast<std::uint8_t*>(pending.front().iov_base) + written;
            pending.front().iov_len -= written;
        }
    }
}

std::int64_t DiskFile::Size() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        RaiseIoError("Stat", errno);
    return static_cast<std::int64_t>(info.st_size);
}

void DiskFile::Sync() {
    int rc;
    do {
        rc = ::fdatasync(fd_);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && errno != EINVAL)  // EINVAL: the file does not support syncing
        RaiseIoError("Sync", errno);
}

bool DiskFile::TryLockRegion(std::int64_t offset, std::int64_t length) {
    struct flock request {};
    request.l_type = access_ == Access::ReadOnly ? F_RDLCK : F_WRLCK;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = static_cast<off_t>(length);
    while (::fcntl(fd_, F_OFD_SETLK, &request) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EACCES)
            return false;
        RaiseIoError("Lock", errno);
    }
    return true;
}

void DiskFile::UnlockRegion(std::int64_t offset, std::int64_t length) {
    struct flock request {};
    request.l_type = F_UNLCK;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = static_cast<off_t>(length);
    while (::fcntl(fd_, F_OFD_SETLK, &request) != 0 && errno == EINTR) {
    }
}

void DiskFile::SetWaitSign(std::int64_t offset, bool waiting) {
    struct flock request {};
    request.l_type = waiting ? F_RDLCK : F_UNLCK;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = 1;
    // A sign that cannot be shown only makes a reader that holds the lock keep it longer.
    while (::fcntl(fd_, F_OFD_SETLK, &request) != 0 && errno == EINTR) {
    }
}

bool DiskFile::OthersWait(std::int64_t offset) {
    struct flock request {};
    request.l_type = F_WRLCK;  // conflicts with any sign another opening shows
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = 1;
    while (::fcntl(fd_, F_OFD_GETLK, &request) != 0) {
        if (errno != EINTR)
            return false;
    }
    return request.l_type != F_UNLCK;
}

File::ChangeTimes DiskFile::LastChange() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        RaiseIoError("Stat", errno);
    return ChangeTimes{static_cast<std::int64_t>(info.st_size), info.st_mtim.tv_sec,
                       info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
}

bool DiskFile::GetIdentity(Identity& identity) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        return false;
    identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return true;
}

bool DiskFile::TryShareLock(bool exclusive) {
    int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd_, operation) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return false;
        RaiseIoError("Lock", errno);
    }
    return true;
}

// A file that nobody may write is read-only for everybody, as the read-only attribute is:
// root passes access(2) for any file, so the mode bits are checked as well.
bool DiskFile::IsWritable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::access(path.c_str(), W_OK) == 0;
}

}  // namespace chimdb
