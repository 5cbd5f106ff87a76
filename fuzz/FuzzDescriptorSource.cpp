// libFuzzer target for window declarations: any bytes must parse or be refused without a crash,
// and whatever parses must print to a text that parses back to the same model and must encode
// into records that stay inside the body. Its corpus, fuzz/corpus/descriptor-source, is
// replayed by descriptor_tests (CorpusTest).

#include <descriptor/Encoder.h>
#include <descriptor/Parser.h>
#include <descriptor/Printer.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const descriptor::ParseResult result
        = descriptor::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.IsError()) {
        Require(result.Error().line >= 1 && !result.Error().message.empty());
        return 0;
    }
    const descriptor::ParseResult again = descriptor::Parse(descriptor::Print(result.Value()));
    Require(!again.IsError() && again.Value() == result.Value());
    const auto content = descriptor::Encode(result.Value());
    Require(content.size() > result.Value().moduleName.size() + 1 + 4);
    return 0;
}
