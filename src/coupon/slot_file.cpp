#include "coupon/slot_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krn {

namespace {

int openFiles = 0;

// Closes the descriptor on every path out of an operation.
class SlotFile {
  public:
    // A missing file is made, empty; created() tells whether this open made it.
    explicit SlotFile(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        if (fd_ < 0 && errno == ENOENT) {
            fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            created_ = fd_ >= 0;
        }
        if (fd_ >= 0) {
            ++openFiles;
        }
    }
    SlotFile(const SlotFile&) = delete;
    SlotFile& operator=(const SlotFile&) = delete;
    ~SlotFile() {
        if (fd_ >= 0) {
            close();
        }
    }

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    bool created() const { return created_; }
    // Returns the errno of a failed close, or 0.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        --openFiles;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
    bool created_{false};
};

FileOutcome failure(const std::filesystem::path& path, const char* what, int error,
                    const char* kind = "dosyası") {
    return {false, "\"" + path.string() + "\" " + kind + " " + what + ": " + reasonText(error)};
}

// Reads up to a record's length from offset 0: the count read, or -1 with errno set.
ssize_t readFrom(int fd, RecordBytes& bytes) {
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// Writes `size` bytes at offset 0: 0, or the errno of the failure.
int writeFrom(int fd, const unsigned char* data, std::size_t size) {
    std::size_t put = 0;
    while (put < size) {
        const ssize_t n = ::pwrite(fd, data + put, size - put, static_cast<off_t>(put));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        put += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

RecordBytes encodeRecord(const SlotRecord& record) {
    RecordBytes bytes{};
    for (std::size_t k = 0; k < kRecordNumbers; ++k) {
        const auto value = static_cast<std::uint16_t>(record[k]);
        bytes[2 * k] = static_cast<unsigned char>(value & 0xFF);
        bytes[2 * k + 1] = static_cast<unsigned char>(value >> 8);
    }
    return bytes;
}

SlotRecord decodeRecord(const RecordBytes& bytes) {
    SlotRecord record{};
    for (std::size_t k = 0; k < kRecordNumbers; ++k) {
        const auto value = static_cast<std::uint16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
        record[k] = static_cast<Int>(value);
    }
    return record;
}

FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record) {
    SlotFile file(path);
    if (!file.isOpen()) {
        return failure(path, "açılamadı", errno);
    }
    FileOutcome outcome;
    // The buffer starts at zero so that bytes missing from a short file read as zero.
    RecordBytes bytes{};
    if (readFrom(file.fd(), bytes) < 0) {
        outcome = failure(path, "okunamadı", errno);
    } else if (const int error = file.close(); error != 0) {
        outcome = failure(path, "kapatılamadı", error);
    } else {
        record = decodeRecord(bytes);
    }
    outcome.created = file.created();
    return outcome;
}

FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record) {
    SlotFile file(path);
    if (!file.isOpen()) {
        return failure(path, "açılamadı", errno);
    }
    FileOutcome outcome;
    struct stat before {};
    RecordBytes old{};
    const ssize_t kept = ::fstat(file.fd(), &before) == 0 ? readFrom(file.fd(), old) : -1;
    const RecordBytes bytes = encodeRecord(record);
    if (kept < 0) {
        outcome = failure(path, "okunamadı", errno);
    } else if (const int error = writeFrom(file.fd(), bytes.data(), bytes.size()); error != 0) {
        // A full disk stops the write of a new file halfway; the next start must not find
        // half a record in it. A file of a record or more has not grown, and keeps its length.
        outcome = failure(path, "yazılamadı", error);
        const bool restored =
            writeFrom(file.fd(), old.data(), static_cast<std::size_t>(kept)) == 0 &&
            ::ftruncate(file.fd(), before.st_size) == 0 && ::fdatasync(file.fd()) == 0;
        if (!restored) {
            outcome.error += "; dosya eski hâline getirilemedi";
        }
    } else if (::fdatasync(file.fd()) != 0) {
        outcome = failure(path, "diske yazılamadı", errno);
    } else if (const int error = file.close(); error != 0) {
        // A lost network share reports its failure only when the file is closed.
        outcome = failure(path, "yazılamadı", error);
    }
    outcome.created = file.created();
    return outcome;
}

FileOutcome syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return failure(folder, "açılamadı", errno, "klasörü");
    }
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error == 0 ? FileOutcome{} : failure(folder, "diske yazılamadı", error, "klasörü");
}

int openSlotFiles() {
    return openFiles;
}

std::string reasonText(int error) {
    switch (error) {
    case ENOENT:
        return "dosya ya da klasör yok";
    case EACCES:
    case EPERM:
        return "erişim izni yok";
    case EISDIR:
        return "bu bir klasör";
    case ENOTDIR:
        return "yolun bir parçası klasör değil";
    case ENOSPC:
        return "diskte yer kalmadı";
    case EFBIG:
        return "dosya izin verilen boyutu aşıyor";
    case EDQUOT:
        return "disk kotası doldu";
    case EROFS:
        return "disk yalnızca okunabilir";
    case EIO:
        return "giriş/çıkış hatası";
    case EMFILE:
    case ENFILE:
        return "çok fazla açık dosya var";
    case ENAMETOOLONG:
        return "dosya adı çok uzun";
    default:
        return std::strerror(error);
    }
}

} // namespace krn
