// libFuzzer target for window descriptor bodies: any bytes, loaded as a body, must let every
// window, the whole control, menu and toolbar tree and every field of every record be read
// without a read outside the block, a crash or an endless walk. Every text read must lie inside
// the block and end at a NUL there. Its corpus, fuzz/corpus/descriptor, is replayed by
// window_tests (DescriptorCorpusTest) through this same entry point.

#include <window/ControlFactory.h>
#include <window/Descriptor.h>
#include <window/RecordLayout.h>
#include <window/StringPool.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <span>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "descriptor fuzzer: %s\n", what);
        std::abort();
    }
}

class Reader {
public:
    explicit Reader(const window::DescriptorBlock& block)
        : m_block(block)
        , m_begin(reinterpret_cast<const char*>(block.Bytes().data()))
    {
    }

    void ReadEverything()
    {
        const auto windows = window::WindowRecords(m_block);
        if (!windows)
            return;
        for (const std::int32_t offset : *windows) {
            const auto window = m_block.RecordAt(offset);
            Require(window && window->Is(window::RecordType::Window), "a listed window record");
            ReadRecord(*window);
            ReadTree(window::WindowControls(*window));
            ReadTree(window::WindowMenus(*window));
            ReadTree(window::WindowToolbar(*window));
        }
    }

private:
    /// A text read from the block lies inside it and is followed by its NUL there (the empty
    /// text of reference 0 is byte 0).
    void Check(std::string_view text)
    {
        Require(text.data() >= m_begin, "a text before the block");
        const auto end = static_cast<std::size_t>(text.data() - m_begin) + text.size();
        Require(end < m_block.Size(), "a text running to the end of the block");
        Require(m_begin[end] == '\0', "a text without its NUL");
    }

    void ReadTree(const std::optional<std::vector<window::TreeNode>>& nodes)
    {
        if (!nodes)
            return;
        std::set<std::int32_t> seen;
        for (const window::TreeNode& node : *nodes) {
            Require(seen.insert(node.offset).second, "a record visited twice");
            const auto record = m_block.RecordAt(node.offset);
            Require(record.has_value(), "a tree node that is no record");
            ReadRecord(*record);
        }
    }

    /// Reads the record's fields by every layout rule and, through the references they might
    /// hold, every kind of sub-block, whatever the record's kind claims.
    void ReadRecord(const window::Record& record)
    {
        Require(record.Offset() >= 2
                && static_cast<std::size_t>(record.Offset()) + record.Extent() <= m_block.Size(),
            "a record outside the block");
        (void)record.Type();
        (void)record.NextSibling();
        (void)record.Attributes();
        (void)record.Equate();
        for (std::uint32_t field = 0; field <= record.Extent() + 4; ++field) {
            (void)record.U8(field);
            (void)record.U16(field);
            (void)record.I16(field);
            (void)record.U32(field);
            if (const auto text = record.String(field))
                Check(*text);
            if (const auto help = record.HelpAt(field)) {
                Check(help->message);
                Check(help->tip);
                Check(help->help);
                ReadValueList(help->alertList);
            }
            (void)record.PositionAt(field);
            const auto reference = record.I32(field);
            if (!reference)
                continue;
            if (const auto font = m_block.ReadFont(*reference))
                Check(font->face);
            (void)m_block.ReadColours(*reference);
            if (const auto use = m_block.ReadUse(*reference))
                Check(use->picture);
            ReadValueList(*reference);
        }
        window::ControlContext context;
        (void)window::BuildControlSpec(record, context);
    }

    void ReadValueList(std::int32_t head)
    {
        const auto values = m_block.ReadValueList(head);
        if (values)
            Require(values->size() <= m_block.Size() / window::layout::kValueCellSize,
                "a value list longer than the block");
    }

    const window::DescriptorBlock& m_block;
    const char* m_begin;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto body = std::span(reinterpret_cast<const std::byte*>(data), size);
    {
        const auto block = window::DescriptorBlock::FromBody(body);
        Require(block.has_value(), "the block was not loaded");
        Require(block->Size() == size + 2, "the block is not body + 2 bytes");
        Reader(*block).ReadEverything();
    }
    Require(window::SharedTexts().Size() == 0, "pooled texts outlived their controls");
    return 0;
}
