#pragma once

#include <platform/Process.h>
#include <window/RecordLayout.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Compiled window descriptors: the block a window is built from and safe reads of its records.
//
// A descriptor block is the resource body copied behind two bytes, so that every reference in
// the body, counted from two bytes before its first byte, is an offset into the block, and a
// string reference of 0 reads byte 0, which is 0: the empty string. Nothing in a block is
// trusted: every read is checked against the block's bounds and answers nothing rather than
// reach outside it, a string must end inside the block, a record must fit whole, and chains
// that run in a circle are cut off. A block that fails a check is malformed; the window engine
// then creates nothing from the part that failed.

namespace window {

class DescriptorBlock;

/// x, y, width and height; kNotGiven where the record leaves a value to the default.
struct Position {
    std::int32_t x = kNotGiven;
    std::int32_t y = kNotGiven;
    std::int32_t width = kNotGiven;
    std::int32_t height = kNotGiven;

    bool operator==(const Position&) const = default;
};

/// A font block (16 bytes). The face view points into the block.
struct FontBlock {
    std::string_view face;            ///< empty = inherit
    std::int32_t size = 0;            ///< points; 0 = inherit
    std::uint32_t colour = kNoColour; ///< a Windows COLORREF, kNoColour = inherit
    std::int32_t weight = 0;          ///< 400 regular, 700 bold
};

/// A colour block (12 bytes); kNoColour where a colour is not given.
struct ColourBlock {
    std::uint32_t text = kNoColour;
    std::uint32_t background = kNoColour;
    std::uint32_t selected = kNoColour;

    bool operator==(const ColourBlock&) const = default;
};

/// A help block (20 bytes, inline in its record), with its texts resolved. The views point
/// into the block.
struct HelpBlock {
    std::string_view message; ///< status-bar message
    std::string_view tip;
    std::string_view help;
    std::int32_t key = 0;       ///< hot key code, 0 = none
    std::int32_t alertList = 0; ///< head of the alert-key value list, 0 = none
};

/// A use descriptor (9 bytes): how the control's variable is read and written.
struct UseDescriptor {
    std::uint8_t type = 0;    ///< value::TypeCode of the variable
    std::int32_t size = 0;    ///< declared size in bytes; 0 = the variable's own
    std::string_view picture; ///< empty = none; points into the block
};

/// A record of a block, known to lie whole inside it. Reads of its fields are checked against
/// the record's extent (the size of its kind); a handle is valid only while its block lives.
class Record {
public:
    const DescriptorBlock& Block() const { return *m_block; }
    /// Offset of the record in the block.
    std::int32_t Offset() const { return m_offset; }
    /// Bytes the record occupies: the size of its kind, or the common head for kinds whose
    /// layout the engine does not know.
    std::uint32_t Extent() const { return m_extent; }

    std::uint8_t Type() const;
    bool Is(RecordType type) const { return Type() == static_cast<std::uint8_t>(type); }
    /// Offset of the next sibling; 0 for the last one.
    std::int32_t NextSibling() const;
    std::uint32_t Attributes() const;
    /// The field equate of a control or menu record; 0 for a record too short to have one.
    std::int32_t Equate() const;

    // Fields by offset from the record's start; nothing when the field does not lie inside
    // the record.
    std::optional<std::int32_t> I32(std::uint32_t field) const;
    std::optional<std::uint32_t> U32(std::uint32_t field) const;
    std::optional<std::int16_t> I16(std::uint32_t field) const;
    std::optional<std::uint16_t> U16(std::uint32_t field) const;
    std::optional<std::uint8_t> U8(std::uint32_t field) const;

    /// The string the reference at `field` names: empty for a reference of 0, nothing when the
    /// field or the string is malformed.
    std::optional<std::string_view> String(std::uint32_t field) const;
    /// The four coordinates starting at `field`.
    std::optional<Position> PositionAt(std::uint32_t field) const;
    /// The help block stored inline at `field`.
    std::optional<HelpBlock> HelpAt(std::uint32_t field) const;

private:
    friend class DescriptorBlock;
    Record(const DescriptorBlock& block, std::int32_t offset, std::uint32_t extent)
        : m_block(&block)
        , m_offset(offset)
        , m_extent(extent)
    {
    }

    const DescriptorBlock* m_block;
    std::int32_t m_offset;
    std::uint32_t m_extent;
};

/// The bytes a record of the type occupies. Kinds whose layout the engine does not know
/// (reports, codes no control uses) answer the common head, enough to follow their sibling.
std::uint32_t RecordSize(std::uint8_t type);

/// A loaded descriptor: a heap block of body length + 2 bytes, byte 0 and byte 1 set to 0 and
/// the body copied at offset 2. Owns its block; moving hands it over.
class DescriptorBlock {
public:
    /// Copies the body into a fresh block. Nothing when the heap refuses the block or the block
    /// would exceed the range a signed 32-bit offset can reach.
    static std::optional<DescriptorBlock> FromBody(std::span<const std::byte> body);

    DescriptorBlock(DescriptorBlock&& other) noexcept;
    DescriptorBlock& operator=(DescriptorBlock&& other) noexcept;
    DescriptorBlock(const DescriptorBlock&) = delete;
    DescriptorBlock& operator=(const DescriptorBlock&) = delete;
    ~DescriptorBlock();

    std::size_t Size() const { return m_size; }
    std::span<const std::byte> Bytes() const;

    /// The offset stored at block offset 2: the first window record. 0 when the body is too
    /// short to hold it.
    std::int32_t FirstWindowOffset() const;

    // Raw reads at block offsets; nothing unless the whole value lies inside the block.
    std::optional<std::int32_t> ReadI32(std::int64_t offset) const;
    std::optional<std::uint32_t> ReadU32(std::int64_t offset) const;
    std::optional<std::int16_t> ReadI16(std::int64_t offset) const;
    std::optional<std::uint16_t> ReadU16(std::int64_t offset) const;
    std::optional<std::uint8_t> ReadU8(std::int64_t offset) const;

    /// The NUL-terminated string at the reference: empty for 0; nothing for a reference that is
    /// negative, past the end, or whose string has no NUL inside the block.
    std::optional<std::string_view> ReadString(std::int32_t reference) const;

    // Sub-blocks by reference. A reference of 0 means "none" and is the caller's to handle:
    // these refuse it, as they refuse any reference outside the body (below 2) and any
    // sub-block that does not fit.

    std::optional<FontBlock> ReadFont(std::int32_t reference) const;
    std::optional<ColourBlock> ReadColours(std::int32_t reference) const;
    std::optional<UseDescriptor> ReadUse(std::int32_t reference) const;
    /// The help block stored inline at the block offset (not a reference).
    std::optional<HelpBlock> ReadHelp(std::int64_t offset) const;

    /// The values of the chain whose head cell is at the reference, in chain order (head
    /// first). 0 is the empty list. Nothing when a cell lies outside the body or the chain
    /// runs longer than the block could hold cells (a cycle).
    std::optional<std::vector<std::int32_t>> ReadValueList(std::int32_t head) const;

    /// The record at the offset, when its head and its whole extent lie inside the body.
    std::optional<Record> RecordAt(std::int32_t offset) const;

private:
    DescriptorBlock(char* bytes, std::size_t size)
        : m_bytes(bytes)
        , m_size(size)
    {
    }

    /// True when [offset, offset + width) lies inside the block.
    bool Holds(std::int64_t offset, std::uint64_t width) const;

    char* m_bytes = nullptr;
    std::size_t m_size = 0;
};

// Walking a window's records.

/// Where a record of a window's tree hangs.
enum class TreePart : std::uint8_t {
    Control, ///< a control of the window or of a group box
    Menu,    ///< the menu bar, a menu or a menu item
    Toolbar, ///< the toolbar record or a control on it
};

/// One record of a walk, in declaration order (a container before its children).
struct TreeNode {
    std::int32_t offset = 0;
    std::int32_t container = 0; ///< the group box, menu or toolbar around it; 0 = the window
    std::uint32_t depth = 0;    ///< 0 for records directly in the window
    TreePart part = TreePart::Control;
};

/// The window records of the block in sibling order, from the first at block offset 2.
/// Records of other kinds in that chain (reports) are passed over. Nothing when the chain
/// leaves the body or runs in a circle.
std::optional<std::vector<std::int32_t>> WindowRecords(const DescriptorBlock& block);

/// The window's controls: the siblings from its first control (+0x1D), each group box
/// followed by its children (+0x49). Nothing when a record is malformed or reached twice.
std::optional<std::vector<TreeNode>> WindowControls(const Record& window);

/// The window's menu tree: the menu bar (+0x5D), then its entries from +0x15, each menu
/// followed by its children (+0x59). Empty without a menu bar; nothing when the record there
/// is no menu bar or has a sibling.
std::optional<std::vector<TreeNode>> WindowMenus(const Record& window);

/// The window's toolbar record (+0x61, type 23) followed by the controls on it (+0x49, group
/// boxes with their children). Empty without one.
std::optional<std::vector<TreeNode>> WindowToolbar(const Record& window);

// Finding a window's descriptor.

/// Finds a resource of a loaded module by type and name, as platform::FindResource does.
using ResourceFinder
    = std::optional<std::span<const std::byte>> (*)(std::string_view type, std::string_view name);

/// A loaded module whose resources may hold descriptors.
struct ResourceModule {
    platform::ModuleHandle handle = 0;
    ResourceFinder find = nullptr;
};

/// The modules searched for descriptors. The program carries one resource table for the
/// whole process, so this is one entry: the executable and its table.
std::span<const ResourceModule> ProgramResourceModules();

/// The resource name of a module's descriptor: the module name's text after its first "$"
/// (the whole name without one) followed by "_RSC". "varn$varn002" gives "varn002_RSC".
std::string DescriptorResourceName(std::string_view moduleName);

/// A window's descriptor as the lookup found it: the block loaded from the supplying module's
/// resource, the offset of the window's record in it and the module. Owns the block, so the
/// records read from it stay valid while this object lives (and stays where it is: a Record
/// refers to the block it came from). Everything a window keeps is copied or interned while it
/// is built, so the block is freed as soon as the building is over.
struct WindowDescriptor {
    DescriptorBlock block;
    std::int32_t window = 0; ///< offset of the window record in `block`
    platform::ModuleHandle module = 0;

    /// The window record; the lookup checked that it lies whole inside the block.
    Record WindowRecord() const { return *block.RecordAt(window); }
};

/// Finds the window record of `windowName` in the descriptor of `moduleName` and answers the
/// loaded descriptor. The modules are searched starting with the current resource module; a
/// "DABDUMP" resource whose leading module name differs (by the collating comparison), or that
/// is malformed, is skipped. Windows are matched by name, again by the collating comparison;
/// the first match wins and its module becomes the current resource module. Nothing when no
/// module supplies the window or the heap refuses the block; no block is kept then. The
/// caller holds the runtime lock (the current resource module is shared).
std::optional<WindowDescriptor> FindWindowDescriptor(
    std::string_view moduleName, std::string_view windowName);
/// As above over the given modules (tests hand in their own).
std::optional<WindowDescriptor> FindWindowDescriptor(std::string_view moduleName,
    std::string_view windowName, std::span<const ResourceModule> modules);

/// As FindWindowDescriptor; when nothing is found the run-time error stop reports internal
/// error 502 ("Internal error 02") and, should the stop return, the answer is nothing. The
/// window-open routine uses this: a window without a descriptor is not opened.
std::optional<WindowDescriptor> RequireWindowDescriptor(
    std::string_view moduleName, std::string_view windowName);

/// The module that supplied the last descriptor found; 0 before any was found.
platform::ModuleHandle CurrentResourceModule();

/// Forgets the current resource module, as at start-up (test fixtures).
void ResetDescriptorLookup();

} // namespace window
