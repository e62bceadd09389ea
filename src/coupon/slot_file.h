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

struct FileOutcome {
    bool ok{true};
    // In Turkish, naming the file and the system's reason.
    std::string error;
    // The operation made the file: its name is not on the disk until its folder is synced.
    bool created{false};
    // A failed write could not put back what the file held: it may hold anything now.
    bool unrestored{false};
};

// What a slot file held before a write, so that a failure after it can put it back.
struct SlotBackup {
    RecordBytes bytes{};
    // How many of `bytes` were in the file, and the file's length.
    std::size_t kept{0};
    std::int64_t length{0};
};

// The folder of the slot files: KRN_Sayısal in $XDG_DATA_HOME when that is an absolute
// path, else in $HOME/.local/share (a relative data home is ignored, as the XDG rules
// say). Either may be null. The bytes are used as they are, whatever they encode.
std::filesystem::path slotFolderFor(const char* dataHome, const char* home);

// Each opens the file for reading and writing, creating it empty when missing and never
// truncating it, reads or writes the record once, and closes it. A short file reads as
// if the missing bytes were zero. Anything but a regular file (a pipe, a device, a socket,
// or a link to one) is refused before a byte is read or written: a pipe would block the
// window, and a device would swallow the coupon.
// Without `create` a missing file is not made, and reads as an empty record.
FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record,
                           bool create = true);
// A write that succeeds is on the disk before the file is closed. One that fails, at the
// write, the sync or the close, puts back the bytes and the length the file had, so that
// "not saved" means nothing was written; `before`, when given, receives them.
FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record,
                            SlotBackup* before = nullptr);
// Puts back what a slot file held before a write; false when it could not.
bool restoreSlotFile(const std::filesystem::path& path, const SlotBackup& before);
// Puts the folder's list of names on the disk: a file or folder made in it survives a
// power cut only after this.
FileOutcome syncFolder(const std::filesystem::path& folder);

// How many slot files are open right now; 0 between any two events.
int openSlotFiles();

// The reason a slot that is not a regular file is refused.
inline constexpr int kNotRegularFile = -1;

// The system's reason for errno value `error` (or kNotRegularFile), always in Turkish:
// a number the table does not know is told as "sistem hatası" and the number.
std::string reasonText(int error);

} // namespace krn
