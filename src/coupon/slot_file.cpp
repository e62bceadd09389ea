#include "coupon/slot_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krn {

namespace {

int openFiles = 0;

enum class Access { Read, Write };

// Closes the descriptor on every path out of an operation.
class SlotFile {
  public:
    // A missing file is made, empty, when `create` is set; made() names it when this open
    // made it. A file that is only read is opened for reading alone, so that one the player
    // may read but not write is still shown and loaded. The open does not wait (a pipe
    // with no writer would hold the window) and takes no terminal; only a regular file
    // stays open.
    SlotFile(const std::filesystem::path& path, Access access, bool create) {
        const int flags =
            (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
        fd_ = ::open(path.c_str(), flags);
        if (fd_ < 0 && errno == ENOENT && create) {
            fd_ = ::open(path.c_str(), flags | O_CREAT, 0644);
            if (fd_ >= 0) {
                made_ = fileBehind(path);
            }
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
            // A folder opens for reading: it is told as what it is.
            error_ = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
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
    const std::filesystem::path& made() const { return made_; }
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
    std::filesystem::path made_;
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

// Writes `size` bytes at offset 0: 0, or the errno of the failure. `put` counts the bytes
// written.
int writeFrom(int fd, const unsigned char* data, std::size_t size, std::size_t& put) {
    put = 0;
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

// Whether the file still holds what the write put there, and nothing since: a save that
// another copy of the program made in between is not to be undone. When the file cannot
// be read, the write is undone as if it were there.
bool holdsThisWrite(int fd, const SlotBackup& before) {
    if (before.put == 0 && before.made.empty()) {
        return false;
    }
    RecordBytes now{};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || readFrom(fd, now) < 0) {
        return true;
    }
    const auto put = static_cast<std::int64_t>(before.put);
    return st.st_size == std::max(before.length, put) &&
           std::equal(now.begin(), now.begin() + put, before.written.begin());
}

// Undoes a write through a descriptor of the file it went to: removes the file it made,
// or puts the old bytes and length back and syncs them.
bool undo(int fd, const SlotBackup& before) {
    if (!holdsThisWrite(fd, before)) {
        return true;
    }
    if (!before.made.empty()) {
        struct stat here {
        }, there{};
        const bool same = ::fstat(fd, &here) == 0 && ::stat(before.made.c_str(), &there) == 0 &&
                          here.st_dev == there.st_dev && here.st_ino == there.st_ino;
        return !same || ::unlink(before.made.c_str()) == 0;
    }
    std::size_t put = 0;
    return writeFrom(fd, before.bytes.data(), before.kept, put) == 0 &&
           ::ftruncate(fd, static_cast<off_t>(before.length)) == 0 && ::fdatasync(fd) == 0;
}

// A missing slot file that a save would make: anything but a link into a missing folder.
bool canBeMade(const std::filesystem::path& path) {
    std::error_code ec;
    return !std::filesystem::is_symlink(path, ec) ||
           std::filesystem::is_directory(fileBehind(path).parent_path(), ec);
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

FileOutcome notACoupon(const std::filesystem::path& path) {
    FileOutcome outcome{false, "\"" + path.string() + "\" " + kNotCouponText};
    outcome.notCoupon = true;
    return outcome;
}

bool isCouponRecord(const SlotRecord& record) {
    return std::all_of(record.begin(), record.end(), [](Int n) { return n >= 0 && n <= 49; });
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
    SlotFile file(path, Access::Read, create);
    if (!file.isOpen()) {
        if (!create && file.error() == ENOENT && canBeMade(path)) {
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
    outcome.made = file.made();
    return outcome;
}

FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record,
                            SlotBackup* before, Over over) {
    SlotFile file(path, Access::Write, true);
    if (!file.isOpen()) {
        return failure(path, "açılamadı", file.error());
    }
    SlotBackup old;
    old.length = file.length();
    old.made = file.made();
    const ssize_t kept = readFrom(file.fd(), old.bytes);
    if (kept < 0) {
        FileOutcome outcome = failure(path, "okunamadı", errno);
        if (!old.made.empty()) {
            ::unlink(old.made.c_str());
        }
        return outcome;
    }
    old.kept = static_cast<std::size_t>(kept);
    if (over == Over::CouponOnly && !isCouponRecord(decodeRecord(old.bytes))) {
        return notACoupon(path);
    }
    old.written = encodeRecord(record);
    const char* what = "yazılamadı";
    int error = writeFrom(file.fd(), old.written.data(), old.written.size(), old.put);
    if (error == 0 && ::fdatasync(file.fd()) != 0) {
        error = errno;
        what = "diske yazılamadı";
    }
    if (error == 0) {
        // A lost network share reports its failure only when the file is closed.
        error = file.close();
    }
    if (before != nullptr) {
        *before = old;
    }
    FileOutcome outcome;
    if (error != 0) {
        // Whatever stopped the write, the file must not keep half a record or a record the
        // player was told is not there, nor be there at all if the write made it. A closed
        // file is opened again to put it back.
        outcome = failure(path, what, error);
        const bool restored =
            file.isOpen() ? undo(file.fd(), old) && file.close() == 0 : restoreSlotFile(path, old);
        if (!restored) {
            outcome.error += "; dosya eski hâline getirilemedi";
            outcome.unrestored = true;
        }
    }
    outcome.made = old.made;
    return outcome;
}

bool restoreSlotFile(const std::filesystem::path& path, const SlotBackup& before) {
    SlotFile file(before.made.empty() ? path : before.made, Access::Write, false);
    if (!file.isOpen()) {
        // A file the write made that is gone already leaves nothing to undo.
        return !before.made.empty() && file.error() == ENOENT;
    }
    return undo(file.fd(), before) && file.close() == 0;
}

std::filesystem::path fileBehind(const std::filesystem::path& path) {
    std::filesystem::path file = path;
    std::error_code ec;
    // No more links than the system itself follows.
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(file, ec); ++hops) {
        const std::filesystem::path to = std::filesystem::read_symlink(file, ec);
        if (ec) {
            break;
        }
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    return file;
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
