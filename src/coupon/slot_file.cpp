#include "coupon/slot_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace krn {

namespace {

int openFiles = 0;

// Closes the descriptor on every path out of an operation.
class SlotFile {
  public:
    explicit SlotFile(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
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
    // Returns the errno of a failed close, or 0.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        --openFiles;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

FileOutcome failure(const std::filesystem::path& path, const char* what, int error) {
    return {false, "\"" + path.string() + "\" dosyası " + what + ": " + reasonText(error)};
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
    // The buffer starts at zero so that bytes missing from a short file read as zero.
    RecordBytes bytes{};
    std::size_t got = 0;
    while (got < kRecordBytes) {
        const ssize_t n =
            ::pread(file.fd(), bytes.data() + got, kRecordBytes - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failure(path, "okunamadı", errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (const int error = file.close(); error != 0) {
        return failure(path, "kapatılamadı", error);
    }
    record = decodeRecord(bytes);
    return {};
}

FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record) {
    SlotFile file(path);
    if (!file.isOpen()) {
        return failure(path, "açılamadı", errno);
    }
    const RecordBytes bytes = encodeRecord(record);
    std::size_t put = 0;
    while (put < kRecordBytes) {
        const ssize_t n =
            ::pwrite(file.fd(), bytes.data() + put, kRecordBytes - put, static_cast<off_t>(put));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return failure(path, "yazılamadı", n < 0 ? errno : ENOSPC);
        }
        put += static_cast<std::size_t>(n);
    }
    // A lost network share reports its failure only when the file is closed.
    if (const int error = file.close(); error != 0) {
        return failure(path, "yazılamadı", error);
    }
    return {};
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
