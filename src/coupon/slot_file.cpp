#include "coupon/slot_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krn {

namespace {

int openFiles = 0;

// Closes the descriptor on every path out of an operation.
class SlotFile {
  public:
    // A missing file is made, empty, when `create` is set; created() tells whether this
    // open made it. The open does not wait (a pipe with no writer would hold the window)
    // and takes no terminal; only a regular file stays open.
    explicit SlotFile(const std::filesystem::path& path, bool create = true) {
        constexpr int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
        fd_ = ::open(path.c_str(), flags);
        if (fd_ < 0 && errno == ENOENT && create) {
            fd_ = ::open(path.c_str(), flags | O_CREAT, 0644);
            created_ = fd_ >= 0;
        }
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        ++openFiles;
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            error_ = errno;
        } else if (!S_ISREG(st.st_mode)) {
            error_ = kNotRegularFile;
        } else if (const int fl = ::fcntl(fd_, F_GETFL);
                   fl < 0 || ::fcntl(fd_, F_SETFL, fl & ~O_NONBLOCK) < 0) {
            error_ = errno;
        }
        length_ = st.st_size;
        if (error_ != 0) {
            close();
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
    // Why the file could not be opened.
    int error() const { return error_; }
    off_t length() const { return length_; }
    // Returns the errno of a failed close, or 0.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        --openFiles;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_{-1};
    int error_{0};
    bool created_{false};
    off_t length_{0};
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

// Puts the old bytes and length back through an open descriptor, and syncs them.
bool restore(int fd, const SlotBackup& before) {
    return writeFrom(fd, before.bytes.data(), before.kept) == 0 &&
           ::ftruncate(fd, static_cast<off_t>(before.length)) == 0 && ::fdatasync(fd) == 0;
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

FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record, bool create) {
    SlotFile file(path, create);
    if (!file.isOpen()) {
        if (!create && file.error() == ENOENT) {
            record = SlotRecord{};
            return {};
        }
        return failure(path, "açılamadı", file.error());
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

FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record,
                            SlotBackup* before) {
    SlotFile file(path);
    if (!file.isOpen()) {
        return failure(path, "açılamadı", file.error());
    }
    SlotBackup old;
    old.length = file.length();
    const ssize_t kept = readFrom(file.fd(), old.bytes);
    if (kept < 0) {
        FileOutcome outcome = failure(path, "okunamadı", errno);
        outcome.created = file.created();
        return outcome;
    }
    old.kept = static_cast<std::size_t>(kept);
    if (before != nullptr) {
        *before = old;
    }
    const RecordBytes bytes = encodeRecord(record);
    const char* what = "yazılamadı";
    int error = writeFrom(file.fd(), bytes.data(), bytes.size());
    if (error == 0 && ::fdatasync(file.fd()) != 0) {
        error = errno;
        what = "diske yazılamadı";
    }
    if (error == 0) {
        // A lost network share reports its failure only when the file is closed.
        error = file.close();
    }
    FileOutcome outcome;
    if (error != 0) {
        // Whatever stopped the write, the file must not keep half a record or a record the
        // player was told is not there. A closed file is opened again to put it back.
        outcome = failure(path, what, error);
        const bool restored = file.isOpen() ? restore(file.fd(), old) && file.close() == 0
                                            : restoreSlotFile(path, old);
        if (!restored) {
            outcome.error += "; dosya eski hâline getirilemedi";
            outcome.unrestored = true;
        }
    }
    outcome.created = file.created();
    return outcome;
}

bool restoreSlotFile(const std::filesystem::path& path, const SlotBackup& before) {
    SlotFile file(path, false);
    return file.isOpen() && restore(file.fd(), before) && file.close() == 0;
}

std::filesystem::path slotFolderFor(const char* dataHome, const char* home) {
    const auto absolute = [](const char* p) { return p != nullptr && p[0] == '/'; };
    std::filesystem::path base;
    if (absolute(dataHome)) {
        base = std::string(dataHome);
    } else if (absolute(home)) {
        base = std::filesystem::path(std::string(home)) / ".local" / "share";
    } else {
        return {};
    }
    return base / "KRN_Sayısal";
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
    // The system's own texts follow the desktop's language; the window speaks Turkish.
    switch (error) {
    case kNotRegularFile:
        return "normal bir dosya değil";
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
    case ELOOP:
        return "çok fazla sembolik bağ var";
    case EEXIST:
        return "dosya zaten var";
    case ENOTEMPTY:
        return "klasör boş değil";
    case EINVAL:
        return "geçersiz değer";
    case ESPIPE:
        return "bu dosyada konum değiştirilemiyor";
    case ENXIO:
    case ENODEV:
        return "aygıt yok";
    case EBUSY:
    case ETXTBSY:
        return "dosya kullanımda";
    case EAGAIN:
        return "kaynak şu an kullanılamıyor";
    case EINTR:
        return "işlem kesildi";
    case ENOMEM:
        return "bellek yetmedi";
    case EBADF:
        return "geçersiz dosya tanıtıcısı";
    case EOVERFLOW:
        return "değer çok büyük";
    case ESTALE:
        return "ağ dosyası artık geçerli değil";
    case ETIMEDOUT:
        return "bağlantı zaman aşımına uğradı";
    case EOPNOTSUPP:
        return "işlem desteklenmiyor";
    default:
        return "sistem hatası " + std::to_string(error);
    }
}

} // namespace krn
