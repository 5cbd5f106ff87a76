#include "ErrorTexts.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace files {

namespace {

struct ErrorTextEntry {
    std::int32_t id;
    std::string_view text;
};

/// Sorted by id, so that a lookup is a binary search.
constexpr std::array kErrorTexts {
    ErrorTextEntry { 2, "File Not Found" },
    ErrorTextEntry { 3, "Path Not Found" },
    ErrorTextEntry { 4, "Too Many Open Files" },
    ErrorTextEntry { 5, "Access Denied" },
    ErrorTextEntry { 7, "Memory Corrupted" },
    ErrorTextEntry { 8, "Insufficient Memory" },
    ErrorTextEntry { 30, "Entry Not Found" },
    ErrorTextEntry { 32, "File Is Already Locked" },
    ErrorTextEntry { 33, "Record Not Available" },
    ErrorTextEntry { 35, "Record Not Found" },
    ErrorTextEntry { 36, "Invalid Data File" },
    ErrorTextEntry { 37, "File Not Open" },
    ErrorTextEntry { 38, "Invalid Key File" },
    ErrorTextEntry { 40, "Creates Duplicate Key" },
    ErrorTextEntry { 43, "Record Is Already Held" },
    ErrorTextEntry { 45, "Invalid Filename" },
    ErrorTextEntry { 46, "Key File Must Be Rebuilt" },
    ErrorTextEntry { 47, "Invalid Record Declaration" },
    ErrorTextEntry { 48, "Unable To Log Transaction" },
    ErrorTextEntry { 52, "File Already Open" },
    ErrorTextEntry { 53, "Invalid Native File" },
    ErrorTextEntry { 54, "No Create Attribute" },
    ErrorTextEntry { 55, "File Must Be Shared" },
    ErrorTextEntry { 56, "LOGOUT Already Active" },
    ErrorTextEntry { 57, "Invalid Memo File" },
    ErrorTextEntry { 63, "Exclusive Access Required" },
    ErrorTextEntry { 64, "Sharing Violation" },
    ErrorTextEntry { 65, "Unable To ROLLBACK Transaction" },
    ErrorTextEntry { 73, "Memo File Missing" },
    ErrorTextEntry { 75, "Invalid Field Type Descriptor" },
    ErrorTextEntry { 76, "Invalid Index String" },
    ErrorTextEntry { 77, "Unable To Access Index" },
    ErrorTextEntry { 78, "Invalid Number Of Parameters " },
    ErrorTextEntry { 79, "Unsupported Data Type In File" },
    ErrorTextEntry { 80, "Unsupported File Driver Function" },
    ErrorTextEntry { 81, "Unknown Error Posted" },
    ErrorTextEntry { 88, "Invalid Key Length" },
    ErrorTextEntry { 89, "Record Changed By Another Station" },
    ErrorTextEntry { 90, "File System Error" },
    ErrorTextEntry { 91, "LOGOUT Not Active" },
    ErrorTextEntry { 92, "BUILD In Progress" },
    ErrorTextEntry { 93, "BUILD Cancelled" },
    ErrorTextEntry { 95, "Server Not Found" },
    ErrorTextEntry { 96, "Remote Object Not Found" },

    ErrorTextEntry { 301, "Invalid Function" },
    ErrorTextEntry { 302, "File Not Found" },
    ErrorTextEntry { 303, "Path Not Found" },
    ErrorTextEntry { 304, "Too Many Open Files" },
    ErrorTextEntry { 305, "Access Denied" },
    ErrorTextEntry { 306, "Invalid Handle" },
    ErrorTextEntry { 307, "Memory Corrupted" },
    ErrorTextEntry { 308, "Insufficient Memory" },
    ErrorTextEntry { 309, "Invalid Memory Block" },
    ErrorTextEntry { 310, "Invalid Environment" },
    ErrorTextEntry { 311, "Invalid Format" },
    ErrorTextEntry { 312, "Invalid Access" },
    ErrorTextEntry { 313, "Invalid Data" },
    ErrorTextEntry { 315, "Invalid Drive" },
    ErrorTextEntry { 316, "Invalid Operation For Current Directory" },
    ErrorTextEntry { 317, "Not Same Device" },
    ErrorTextEntry { 318, "No More Files" },
    ErrorTextEntry { 319, "Write Protect" },
    ErrorTextEntry { 320, "Invalid Unit" },
    ErrorTextEntry { 321, "Device Not Ready" },
    ErrorTextEntry { 322, "Invalid Command" },
    ErrorTextEntry { 323, "Media Checksum Failed" },
    ErrorTextEntry { 324, "Invalid Length" },
    ErrorTextEntry { 325, "Seek Location Inaccessible" },
    ErrorTextEntry { 326, "Not DOS Disk" },
    ErrorTextEntry { 327, "Sector Not Found" },
    ErrorTextEntry { 328, "Out Of Paper" },
    ErrorTextEntry { 329, "Write Fault" },
    ErrorTextEntry { 330, "Read Fault" },
    ErrorTextEntry { 331, "General Failure" },
    ErrorTextEntry { 332, "Sharing Violation" },
    ErrorTextEntry { 333, "Lock Violation" },
    ErrorTextEntry { 334, "Wrong Disk" },
    ErrorTextEntry { 335, "FCB Unavailable" },
    ErrorTextEntry { 336, "Sharing Buffer Exceeded" },
    ErrorTextEntry { 337, "Code Page Mismatched" },
    ErrorTextEntry { 338, "Handle EOF" },
    ErrorTextEntry { 339, "Handle Disk Full" },
    ErrorTextEntry { 350, "Not Supported " },
    ErrorTextEntry { 351, "REM Not List" },
    ErrorTextEntry { 352, "Duplicate Name Encountered" },
    ErrorTextEntry { 353, "Invalid Network Path" },
    ErrorTextEntry { 354, "Network Busy" },
    ErrorTextEntry { 355, "Device Does Not Exist" },
    ErrorTextEntry { 356, "Too Many Commands" },
    ErrorTextEntry { 357, "Adapter/Hardware Failure" },
    ErrorTextEntry { 358, "Invalid Network Response" },
    ErrorTextEntry { 359, "Unexpected Network Error" },
    ErrorTextEntry { 360, "Invalid REM Adapter" },
    ErrorTextEntry { 361, "Print Queue Full" },
    ErrorTextEntry { 362, "No Spool Space" },
    ErrorTextEntry { 363, "Print Cancelled" },
    ErrorTextEntry { 364, "Network Name Deleted" },
    ErrorTextEntry { 365, "Network Access Denied" },
    ErrorTextEntry { 366, "Invalid Device Type" },
    ErrorTextEntry { 367, "Invalid Network Name" },
    ErrorTextEntry { 368, "Too Many Names" },
    ErrorTextEntry { 369, "Too Many Sessions" },
    ErrorTextEntry { 370, "Sharing Paused" },
    ErrorTextEntry { 371, "Request Not Accepted" },
    ErrorTextEntry { 372, "Network Redirection Paused" },
    ErrorTextEntry { 380, "File Already Exists" },
    ErrorTextEntry { 381, "Duplicate FCB" },
    ErrorTextEntry { 382, "Cannot Make" },
    ErrorTextEntry { 383, "Fail Critical Error" },
    ErrorTextEntry { 384, "Out Of Structures" },
    ErrorTextEntry { 385, "Already Assigned" },
    ErrorTextEntry { 386, "Invalid Password" },
    ErrorTextEntry { 387, "Invalid Parameter" },
    ErrorTextEntry { 388, "Network Write Fault" },
    ErrorTextEntry { 390, "System Component Not Loaded" },
    ErrorTextEntry { 391, "Unknown Error" },
};

static_assert(std::is_sorted(kErrorTexts.begin(), kErrorTexts.end(),
                  [](const ErrorTextEntry& a, const ErrorTextEntry& b) { return a.id < b.id; }),
    "the error texts must be sorted by id");

} // namespace

std::optional<std::string_view> ProgramStringText(std::int32_t id)
{
    const auto* found = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), id,
        [](const ErrorTextEntry& entry, std::int32_t wanted) { return entry.id < wanted; });
    if (found == std::end(kErrorTexts) || found->id != id)
        return std::nullopt;
    return found->text;
}

} // namespace files
