// One slot file holds one slot record: the 48 numbers of a coupon as signed 16-bit
// little-endian integers at offset 0. Bytes past the record belong to nobody and are
// left as they are.
#pragma once

#include "app/app_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace krn {

inline constexpr std::size_t kRecordNumbers = 48;
inline constexpr std::size_t kRecordBytes = 2 * kRecordNumbers;

// Element k (0..47) is coupon[k + 1].
using SlotRecord = std::array<Int, kRecordNumbers>;
using RecordBytes = std::array<unsigned char, kRecordBytes>;

RecordBytes encodeRecord(const SlotRecord& record);
SlotRecord decodeRecord(const RecordBytes& bytes);

// A coupon holds 1..49, and 0 where a place is empty: a record with any other number is
// no coupon (another program's file, text, a damaged record), and is never shown, tested
// or saved over as one.
bool isCouponRecord(const SlotRecord& record);
// Why such a file is refused, after its quoted name.
inline constexpr const char* kNotCouponText = "bir kupon dosyası değil";

struct FileOutcome {
    bool ok{true};
    // In Turkish, naming the file and the system's reason.
    std::string error;
    // The name the operation made (the file a link leads to, for a slot that is a link), or
    // empty: the name is not on the disk until its folder is synced.
    std::filesystem::path made{};
    // A failed write could not put back what the file held: it may hold anything now.
    bool unrestored{false};
    // The file was read, or refused a write, because it holds no coupon.
    bool notCoupon{false};
};

// What a slot file held before a write, so that a failure after it can put it back, and
// what the write put there, so that the putting back undoes nothing but that write.
struct SlotBackup {
    RecordBytes bytes{};
    // How many of `bytes` were in the file, and the file's length.
    std::size_t kept{0};
    std::int64_t length{0};
    // The file the write made, which a failure removes; empty when it was there before.
    std::filesystem::path made;
    // The write put the first `put` bytes of `written` at offset 0.
    RecordBytes written{};
    std::size_t put{0};
};

// The folder of the slot files: KRN_Sayısal in $XDG_DATA_HOME when that is an absolute
// path, else in $HOME/.local/share (a relative data home is ignored, as the XDG rules
// say). Either may be null. The bytes are used as they are, whatever they encode.
std::filesystem::path slotFolderFor(const char* dataHome, const char* home);

// Each opens the file, for reading alone or for writing, creating it empty when missing and
// never truncating it, reads or writes the record once, and closes it. A short file reads as
// if the missing bytes were zero. Anything but a regular file (a pipe, a device, a socket,
// or a link to one) is refused before a byte is read or written: a pipe would block the
// window, and a device would swallow the coupon.
// Without `create` a missing file is not made, and reads as an empty record, as a save or a
// load would find it; a link into a folder that is not there cannot be made, and is
// refused as the save or the load would refuse it.
FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record,
                           bool create = true);
// Whether a write may replace a file that holds no coupon.
enum class Over { Anything, CouponOnly };
// A write that succeeds is on the disk before the file is closed. One that fails, at the
// write, the sync or the close, puts back the bytes and the length the file had, or removes
// the file it made, so that "not saved" means nothing was written; `before`, when given,
// receives what it needs to do the same later. With Over::CouponOnly a file that holds no
// coupon is refused before a byte is written.
FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record,
                            SlotBackup* before = nullptr, Over over = Over::Anything);
// Undoes a write: puts back what the file held, or removes the file the write made. A file
// that no longer holds what the write put there (another copy of the program has saved
// since) is left as it is. False when the write could not be undone.
bool restoreSlotFile(const std::filesystem::path& path, const SlotBackup& before);
// The name of the file that a path opens: the path itself, or where its links lead.
std::filesystem::path fileBehind(const std::filesystem::path& path);
// Puts the folder's list of names on the disk: a file or folder made in it survives a
// power cut only after this.
FileOutcome syncFolder(const std::filesystem::path& folder);

// The refusal of a file that holds no coupon.
FileOutcome notACoupon(const std::filesystem::path& path);

// How many slot files are open right now; 0 between any two events.
int openSlotFiles();

// The reason a slot that is not a regular file is refused.
inline constexpr int kNotRegularFile = -1;

// The system's reason for errno value `error` (or kNotRegularFile), always in Turkish:
// a number the table does not know is told as "sistem hatası" and the number.
std::string reasonText(int error);

} // namespace krn
