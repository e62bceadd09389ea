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
};

// Each opens the file for reading and writing, creating it empty when missing and never
// truncating it, reads or writes the record once, and closes it. A short file reads as
// if the missing bytes were zero.
FileOutcome readSlotRecord(const std::filesystem::path& path, SlotRecord& record);
FileOutcome writeSlotRecord(const std::filesystem::path& path, const SlotRecord& record);

// How many slot files are open right now; 0 between any two events.
int openSlotFiles();

// The system's reason for errno value `error`, in Turkish where we know it.
std::string reasonText(int error);

} // namespace krn
