#include "Messages.h"

#include "ProgramText.h"

#include <framework/ErrorManager.h>

#include <cassert>
#include <string_view>
#include <vector>

namespace app {

namespace {

struct Message {
    std::uint16_t id;
    std::string_view title; // UTF-8 here, Windows-1250 in the table
    std::string_view text;
};

constexpr Message kMessages[] = {
    { kMessageNotWritten, "Kontrolni broj nije zapisan",
        "Kontrolni broj nije zapisan u datoteku %File. Gre\u0161ka: %ErrorText." },
    { kMessageFileNotHashed, "Kontrolni broj nije formiran",
        "Kontrolni broj datoteke %File nije formiran: %Message" },
    { kMessageNoFile, "Datoteka nije odabrana",
        "Kontrolni broj nije formiran: datoteka nije odabrana. Odaberite je gumbom \"...\" ili "
        "upi\u0161ite njezin put u polje \"Ulazna datoteka (file)\"." },
    { kMessageNameRefused, "Datoteka nije prihva\u0107ena", "%Message" },
    { kMessageTextRefused, "Tekst nije prihva\u0107en",
        "Kontrolni broj nije formiran: tekst sadr\u017Ei znakove koji se ne mogu zapisati u "
        "kodnoj stranici Windows-1250 (%Message). Uklonite ih i poku\u0161ajte ponovo." },
    { kMessageOneFileAtATime, "Ispu\u0161teno je vi\u0161e datoteka",
        "Ispustite samo jednu datoteku: kontrolni broj formira se za jednu datoteku "
        "odjednom." },
    { kMessageNotWrittenBecause, "Kontrolni broj nije zapisan",
        "Kontrolni broj nije zapisan u datoteku %File: %Message" },
    { kMessageExpectedNumberInvalid, "O\u010Dekivani kontrolni broj nije ispravan",
        "O\u010Dekivani kontrolni broj nije ispravan: %Message" },
    { kMessageNumberFileNotRead, "Kontrolni broj nije pro\u010Ditan",
        "O\u010Dekivani kontrolni broj nije pro\u010Ditan iz datoteke %File: %Message" },
};

void PutText(std::vector<std::uint8_t>& table, std::string_view utf8)
{
    const platform::Result<std::string> ansi = platform::Utf8ToAnsi(utf8);
    assert(
        ansi && ansi->size() <= 0xFF && "every message is Windows-1250 and fits its length byte");
    table.push_back(static_cast<std::uint8_t>(ansi->size()));
    table.insert(table.end(), ansi->begin(), ansi->end());
}

std::vector<std::uint8_t> Encode()
{
    std::vector<std::uint8_t> table;
    const std::size_t count = std::size(kMessages);
    table.push_back(static_cast<std::uint8_t>(count & 0xFF));
    table.push_back(static_cast<std::uint8_t>(count >> 8));
    for (const Message& message : kMessages) {
        table.push_back(static_cast<std::uint8_t>(message.id & 0xFF));
        table.push_back(static_cast<std::uint8_t>(message.id >> 8));
        table.push_back(framework::kSeverityNotify);
        PutText(table, message.title);
        PutText(table, message.text);
    }
    return table;
}

} // namespace

std::span<const std::uint8_t> ProgramMessages()
{
    static const std::vector<std::uint8_t> kTable = Encode();
    return kTable;
}

} // namespace app
