// One slot file holds one slot record: the 48 numbers of a coupon as signed 16-bit
// little-endian integers at offset 0. Bytes past the record belong to nobody and are
// left as they are.
#pragma once

#include "app/app_state.h"

#include <array>
#include <cstddef>
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
};

// Each opens the file for reading and writing, creating it empty when missing and never
// truncating it, reads or writes the record once, and closes it. A short file reads as
// if the missing bytes were zero.
FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record);
// A write that succeeds is on the disk before the file is closed. One that fails puts back
// the bytes and the length the file had, so that no one reads half a record from it later.
FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record);
// Puts the folder's list of names on the disk: a file or folder made in it survives a
// power cut only after this.
FileOutcome syncFolder(const std::filesystem::path& folder);

// How many slot files are open right now; 0 between any two events.
int openSlotFiles();

// The system's reason for errno value `error`, in Turkish where we know it.
std::string reasonText(int error);

} // namespace krn
