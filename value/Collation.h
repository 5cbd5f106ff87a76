#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The character model of the runtime: collating weights, case partners, character classes and
// digraphs. Every ordering of strings in the program goes through the comparisons here, so
// changing the tables (only the locale environment file does, at start-up) changes every
// ordering consistently. The tables are process-wide, written during start-up and read-only
// afterwards.

namespace value {

/// Classes of a character.
enum CharacterClass : std::uint8_t {
    kClassOther = 0,
    kClassUpper = 1,
    kClassLower = 2,
    kClassDigit = 4,
};

inline constexpr int kMaxDigraphs = 16;

/// A character that compares as the two characters it stands for (a ligature such as ß for ss).
struct Digraph {
    unsigned char character = 0; ///< 0 ends the list
    unsigned char first = 0;
    unsigned char second = 0;
};

/// The five tables. Invariants: both weight tables are permutations of 0 to 255; a character
/// of class 1 has a partner of class 2 and the reverse.
struct CharacterTables {
    std::array<unsigned char, 256> weights;    ///< ANSI collating weights
    std::array<unsigned char, 256> oemWeights; ///< the same order for OEM text
    std::array<unsigned char, 256> partners;   ///< the other-case form of a letter; 0 = none
    std::array<unsigned char, 256> classes;    ///< CharacterClass of each character
    std::array<Digraph, kMaxDigraphs> digraphs;
    std::array<Digraph, kMaxDigraphs> oemDigraphs;

    /// The start-up defaults: identity weights, A-Z and a-z as partners and classes 1 and 2,
    /// 0-9 as class 4, no digraphs.
    static CharacterTables Defaults();
    /// True when the invariants above hold.
    bool CheckInvariants() const;
};

/// The process's tables, read by every comparison.
const CharacterTables& Tables();
/// The tables for changing; only start-up code (the locale environment file) writes them.
CharacterTables& MutableTables();
/// Puts the defaults back (start-up, and test fixtures).
void ResetCharacterTables();

// Character functions.

/// The partner of a lower-case letter; any other character, and a letter whose partner is
/// missing (0), answers itself, so the result is never 0 for a character that is not.
unsigned char ToUpperChar(unsigned char c);
/// The partner of an upper-case letter; otherwise as ToUpperChar.
unsigned char ToLowerChar(unsigned char c);
/// True for class 1 (upper-case letters).
bool IsUpperChar(unsigned char c);
/// True for letters and digits (any class but 0).
bool IsAlnumChar(unsigned char c);
/// True for a character that has a case partner.
bool IsLetterChar(unsigned char c);
/// Weight of a minus weight of b.
std::int32_t CompareChars(unsigned char a, unsigned char b);

// Comparisons: negative, zero or positive as the first operand sorts before, equal to or
// after the second.

/// Blank padded and case-sensitive: the shorter value continues as blanks. With digraphs, a
/// character and its expansion sort next to each other but never compare equal.
std::int32_t CompareStrings(std::string_view a, std::string_view b);
/// NUL-terminated, case-sensitive; the terminator takes part as the character 0, so a proper
/// prefix sorts first.
std::int32_t CompareCStrings(const char* a, const char* b);
/// As CompareCStrings with both characters upper-cased (after digraph expansion).
std::int32_t CompareCStringsNoCase(const char* a, const char* b);
/// As CompareCStringsNoCase over at most n characters; 0 when they agree that far. With
/// digraphs, n counts characters of the expanded values, and a value that ends before the other
/// sorts first by exactly 1.
std::int32_t CompareNoCaseN(const char* a, const char* b, std::uint32_t n);

/// Rewrites a weight table from a sequence of characters: duplicates count once (the first
/// occurrence), a NUL ends the sequence. The characters of the sequence share out among
/// themselves, in sequence order, the weights their own codes hold; every other character
/// weighs its code. So "ba" only swaps a and b, and the 222 printable characters (0x20-0x7E,
/// 0x80-0xFE) in any order are a complete order taking 0x20-0x7E, then 0x80-0xFE. An empty
/// sequence gives the identity. The result is always a permutation.
void ApplyCollatingSequence(std::array<unsigned char, 256>& weights, std::string_view sequence);

// Buffer functions.

/// Removes trailing blanks of a NUL-terminated string by moving its terminator.
void ClipCString(char* text);
/// Lower-cases `count` characters in place; a count of 65535 means up to the terminator.
void LowerBuffer(char* text, std::uint32_t count);

} // namespace value
