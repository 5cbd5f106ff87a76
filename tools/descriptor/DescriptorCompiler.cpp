// DescriptorCompiler INPUT.wnd OUTPUT.bin
//
// Compiles one window declaration into the content of its "DABDUMP" resource. The input file
// is named after the resource its module makes (VARN002_RSC.wnd holds module "varn$varn002"),
// which is how the build names the resource without reading the file. Errors are printed as
// "INPUT:LINE: message" and the program exits with 1, leaving no output file behind; usage
// errors exit with 2.

#include "Encoder.h"
#include "Parser.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

namespace {

std::optional<std::string> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return text;
}

/// Writes through a file beside the output and renames it into place, so that a failed or
/// interrupted build never leaves a truncated descriptor that looks up to date.
bool WriteFile(const std::filesystem::path& path, const std::vector<std::byte>& bytes)
{
    std::filesystem::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: DescriptorCompiler INPUT.wnd OUTPUT.bin\n";
        return 2;
    }
    const std::filesystem::path input = argv[1];
    const std::filesystem::path output = argv[2];

    const auto text = ReadFile(input);
    if (!text) {
        std::cerr << input.string() << ": cannot be read\n";
        return 1;
    }
    const std::string resource = input.stem().string();
    const descriptor::ParseResult result = descriptor::Parse(*text, { .resourceName = resource });
    if (!result) {
        std::cerr << input.string() << ":" << result.Error().line << ": " << result.Error().message
                  << "\n";
        return 1;
    }
    if (!WriteFile(output, descriptor::Encode(result.Value()))) {
        std::cerr << output.string() << ": cannot be written\n";
        return 1;
    }
    return 0;
}
