#include <value/Collation.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace value;
using namespace std::string_literals;

namespace {

/// Every test starts and ends with the default tables and an empty string stack.
class CollationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCharacterTables();
        ResetStringStack();
    }
    void TearDown() override
    {
        EXPECT_TRUE(Tables().CheckInvariants());
        ResetCharacterTables();
        ResetStringStack();
    }
};

constexpr unsigned char kSharpS = 0xDF;        // ß in Windows-1250
constexpr unsigned char kSmallAE = 0xE6;       // æ
constexpr unsigned char kCapitalAE = 0xC6;     // Æ
constexpr unsigned char kSmallAAcute = 0xE1;   // á
constexpr unsigned char kCapitalAAcute = 0xC1; // Á

int Sign(std::int32_t value)
{
    return (value > 0) - (value < 0);
}

void SetDigraphs(std::initializer_list<Digraph> digraphs)
{
    auto& list = MutableTables().digraphs;
    list = {};
    std::copy(digraphs.begin(), digraphs.end(), list.begin());
}

void DefineSharpS()
{
    SetDigraphs({ { kSharpS, 's', 's' } });
}

void SetCasePair(unsigned char upper, unsigned char lower)
{
    CharacterTables& tables = MutableTables();
    tables.partners[upper] = lower;
    tables.partners[lower] = upper;
    tables.classes[upper] = kClassUpper;
    tables.classes[lower] = kClassLower;
}

std::string Text(std::initializer_list<unsigned char> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

const std::string kSharpSText = Text({ kSharpS });

// --- the character model -----------------------------------------------------------------

TEST_F(CollationTest, DefaultCharacterFunctions)
{
    struct Case {
        unsigned char c;
        unsigned char upper;
        unsigned char lower;
        bool isUpper;
        bool isAlnum;
        bool isLetter;
    };
    const Case cases[] = {
        { 'a', 'A', 'a', false, true, true }, { 'Z', 'Z', 'z', true, true, true },
        { '7', '7', '7', false, true, false }, // a digit is alphanumeric but no letter
        { ' ', ' ', ' ', false, false, false }, { 0, 0, 0, false, false, false },
        { kSmallAAcute, kSmallAAcute, kSmallAAcute, false, false, false }, // no pair by default
        { '@', '@', '@', false, false, false },                            // just below A
        { '[', '[', '[', false, false, false },                            // just above Z
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.c));
        EXPECT_EQ(ToUpperChar(c.c), c.upper);
        EXPECT_EQ(ToLowerChar(c.c), c.lower);
        EXPECT_EQ(IsUpperChar(c.c), c.isUpper);
        EXPECT_EQ(IsAlnumChar(c.c), c.isAlnum);
        EXPECT_EQ(IsLetterChar(c.c), c.isLetter);
    }
    EXPECT_GT(CompareChars('b', 'a'), 0);
    EXPECT_EQ(CompareChars(0xFF, 0x00), 255);
}

TEST_F(CollationTest, CasePairsAddedByStartUpCodeAreUsed)
{
    SetCasePair(kCapitalAAcute, kSmallAAcute);
    EXPECT_TRUE(Tables().CheckInvariants());
    EXPECT_EQ(ToUpperChar(kSmallAAcute), kCapitalAAcute);
    EXPECT_EQ(ToLowerChar(kCapitalAAcute), kSmallAAcute);
    EXPECT_TRUE(IsLetterChar(kSmallAAcute));
    EXPECT_EQ(
        CompareCStringsNoCase(Text({ kSmallAAcute }).c_str(), Text({ kCapitalAAcute }).c_str()), 0);
}

TEST_F(CollationTest, CheckInvariantsCatchesBrokenTables)
{
    struct Case {
        const char* what;
        void (*breakTables)(CharacterTables&);
    };
    const Case cases[] = {
        { "two characters with one weight", [](CharacterTables& t) { t.weights['a'] = 'b'; } },
        { "OEM weights not a permutation", [](CharacterTables& t) { t.oemWeights[0] = 1; } },
        { "upper case without a partner", [](CharacterTables& t) { t.partners['A'] = 0; } },
        { "partner of the same case", [](CharacterTables& t) { t.classes['a'] = kClassUpper; } },
        { "partner that names another letter", [](CharacterTables& t) { t.partners['a'] = 'B'; } },
        { "digit with a partner", [](CharacterTables& t) { t.partners['1'] = 'A'; } },
        { "unknown class", [](CharacterTables& t) { t.classes['#'] = 3; } },
        { "digraph with an empty half",
            [](CharacterTables& t) {
                t.digraphs[0] = { kSharpS, 's', 0 };
            } },
        { "OEM digraph with an empty half",
            [](CharacterTables& t) {
                t.oemDigraphs[0] = { 0xE1, 0, 's' };
            } },
    };
    for (const Case& c : cases) {
        CharacterTables tables = CharacterTables::Defaults();
        ASSERT_TRUE(tables.CheckInvariants());
        c.breakTables(tables);
        EXPECT_FALSE(tables.CheckInvariants()) << c.what;
    }
    // Entries after the end of the digraph list are never read, so they may hold anything.
    CharacterTables tables = CharacterTables::Defaults();
    tables.digraphs[1] = { 'x', 0, 0 };
    EXPECT_TRUE(tables.CheckInvariants());
}

// --- CompareStrings ---------------------------------------------------------------------

struct CompareCase {
    std::string a;
    std::string b;
    int sign;
    const char* why;
};

/// Checks each row in both orders of the operands: the comparison must be antisymmetric.
void ExpectCompareStrings(const std::vector<CompareCase>& cases)
{
    for (const CompareCase& c : cases) {
        EXPECT_EQ(Sign(CompareStrings(c.a, c.b)), c.sign) << c.why;
        EXPECT_EQ(Sign(CompareStrings(c.b, c.a)), -c.sign) << c.why << " (operands swapped)";
    }
}

TEST_F(CollationTest, CompareStringsWithDefaultTables)
{
    ExpectCompareStrings({
        { "apple", "Apple", 1, "lower case sorts after upper case, by code" },
        { "AB", "AB   ", 0, "trailing blanks never decide" },
        { "AB", "ABC", -1, "a blank sorts before C" },
        { "", "   ", 0, "the empty value equals blanks" },
        { "", "", 0, "two empty values" },
        { "AB\t", "AB", -1, "a tab sorts before the blank the shorter value continues with" },
        { "AB\0"s, "AB", -1, "an embedded NUL is an ordinary character" },
        { "a\x9A", "a\x8A", 1, "bytes above 0x7F compare as unsigned" },
        { "A B", "AB", -1, "inner blanks count" },
        { std::string(40, 'x') + "a", std::string(40, 'x') + "b", -1, "a late difference" },
    });
}

/// The order every comparison must agree with: blank padded, weight by weight.
int ReferenceCompare(std::string_view a, std::string_view b)
{
    const auto& weights = Tables().weights;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (ca != cb)
            return Sign(weights[ca] - weights[cb]);
    }
    return 0;
}

// The common path compares eight bytes at a time: a difference in any byte of a word, at
// either end of the value or in the tail, must be found, and found first.
TEST_F(CollationTest, CompareStringsFindsTheFirstDifferenceAtEveryPosition)
{
    const std::string base = "The quick brown fox jumps over the lazy dog";
    for (std::size_t position = 0; position < base.size(); ++position) {
        for (char replacement : "\0 a\x80\xFF"s) {
            std::string changed = base;
            changed[position] = replacement;
            changed.back() = base.back() == 'g' ? 'a' : 'g'; // a later difference that must lose
            SCOPED_TRACE(testing::Message()
                << "position " << position << " byte " << static_cast<int>(replacement & 0xFF));
            EXPECT_EQ(Sign(CompareStrings(base, changed)), ReferenceCompare(base, changed));
        }
    }
}

TEST_F(CollationTest, CompareStringsAgreesWithTheReferenceOnGeneratedValues)
{
    std::mt19937 random(20240611);
    // Second round with a shuffled weight table: the result must follow the weights, not codes.
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            std::string order(255, '\0');
            std::iota(order.begin(), order.end(), '\x01');
            std::shuffle(order.begin(), order.end(), random);
            ApplyCollatingSequence(MutableTables().weights, order);
        }
        const char alphabet[] = { ' ', 'a', 'b', '\x80', '\xFF', '\0' };
        std::uniform_int_distribution<std::size_t> length(0, 24);
        std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
        for (int i = 0; i < 2000; ++i) {
            std::string a(length(random), ' ');
            for (char& c : a)
                c = alphabet[pick(random)];
            std::string b = a.substr(0, length(random));
            for (std::size_t k = 0; k < b.size(); ++k)
                if (pick(random) == 0)
                    b[k] = alphabet[pick(random)];
            b.append(length(random) % 4, ' ');
            ASSERT_EQ(Sign(CompareStrings(a, b)), ReferenceCompare(a, b))
                << "round " << round << ": \"" << a << "\" vs \"" << b << "\"";
        }
    }
}

TEST_F(CollationTest, CompareStringsFollowsTheWeights)
{
    ApplyCollatingSequence(MutableTables().weights, "ba");
    ExpectCompareStrings({
        { "a", "b", 1, "a now weighs more than b" },
        { "xa", "xb", 1, "after an equal prefix too" },
        { "a", "c", -1, "c keeps its weight" },
    });
}

// With ß defined as ss, ß sorts right after ss: after everything below ss, before everything
// above it, and never equal to it.
TEST_F(CollationTest, DigraphSortsNextToItsExpansion)
{
    DefineSharpS();
    const std::string sz = kSharpSText;
    ExpectCompareStrings({
        { sz, "sr", 1, "ß after sr" },
        { sz, "st", -1, "ß before st" },
        { sz, "ss", 1, "ß next to ss but not equal" },
        { sz, "ss   ", 1, "blanks after ss change nothing" },
        { sz + "  ", "ss", 1, "blanks after ß change nothing" },
        { sz, "ssa", -1, "the expansion ends first and continues as blanks" },
        { sz, "s", 1, "ß is longer than one s" },
        { "Stra" + sz + "e", "Strasse", 1, "inside a word" },
        { "Stra" + sz + "e", "Strassf", -1, "a later difference decides before the tie" },
        { sz + "a", "ssb", -1, "the expansion continues into the rest of the value" },
        { "s" + sz, sz + "s", -1, "sss both ways; the tie goes to the first differing characters" },
        { "x" + sz, "x" + sz, 0, "equal values stay equal" },
        { "ab", "ac", -1, "values without the digraph compare as before" },
        { "AB", "AB   ", 0, "trailing blanks still never decide" },
    });
}

TEST_F(CollationTest, DigraphOrdersAListConsistently)
{
    DefineSharpS();
    // Expanded: sr, ss, ss (ß), sss, ssss (ssß), ssss (ßß), st. Equal expansions are ordered
    // by the first differing characters, s before ß.
    const std::vector<std::string> sorted = { "sr", "ss", kSharpSText, kSharpSText + "s",
        "ss" + kSharpSText, kSharpSText + kSharpSText, "st" };
    for (std::size_t i = 0; i < sorted.size(); ++i)
        for (std::size_t j = 0; j < sorted.size(); ++j)
            EXPECT_EQ(Sign(CompareStrings(sorted[i], sorted[j])),
                i < j       ? -1
                    : i > j ? 1
                            : 0)
                << i << " vs " << j;
}

TEST_F(CollationTest, StringStackComparesByCollation)
{
    ApplyCollatingSequence(MutableTables().weights, "ba");
    PushString("a");
    PushString("b  ");
    EXPECT_GT(CompareTop(), 0) << "the weights decide, and trailing blanks do not";
    DefineSharpS();
    PushString(kSharpSText);
    PushString("st");
    EXPECT_LT(CompareTop(), 0);
    // Cut to the shorter length (1): ß against s, whose expansions differ in length.
    PushString(kSharpSText);
    PushString("sx");
    EXPECT_GT(ComparePrefix(), 0);
    PushString("ss");
    PushString("ssx");
    EXPECT_EQ(ComparePrefix(), 0);
    EXPECT_EQ(StackDepth(), 0);
}

// --- C strings --------------------------------------------------------------------------

struct CCase {
    std::string a;
    std::string b;
    int sign;
    int noCaseSign;
    const char* why;
};

void ExpectCStrings(const std::vector<CCase>& cases)
{
    for (const CCase& c : cases) {
        EXPECT_EQ(Sign(CompareCStrings(c.a.c_str(), c.b.c_str())), c.sign) << c.why;
        EXPECT_EQ(Sign(CompareCStrings(c.b.c_str(), c.a.c_str())), -c.sign) << c.why;
        EXPECT_EQ(Sign(CompareCStringsNoCase(c.a.c_str(), c.b.c_str())), c.noCaseSign) << c.why;
        EXPECT_EQ(Sign(CompareCStringsNoCase(c.b.c_str(), c.a.c_str())), -c.noCaseSign) << c.why;
    }
}

TEST_F(CollationTest, CStringComparisons)
{
    ExpectCStrings({
        { "AB", "ABC", -1, -1, "a proper prefix sorts first" },
        { "", "A", -1, -1, "the empty string first" },
        { "", "", 0, 0, "two empty strings" },
        { "AB ", "AB", 1, 1, "no blank filling: the blank is a character" },
        { "abc", "ABC", 1, 0, "case decides only the case-sensitive form" },
        { "abc", "ABD", 1, -1, "folded, c sorts before D" },
        { "ab", "ABC", 1, -1, "folded, a prefix" },
        { "a[", "AZ", 1, 1, "[ sorts after Z" },
        { "A_", "Ab", -1, 1, "_ lies between the cases: folding moves b below it" },
        { "\x80", "A", 1, 1, "bytes above 0x7F compare as unsigned" },
    });
}

TEST_F(CollationTest, CStringComparisonsExpandDigraphs)
{
    DefineSharpS();
    const std::string sz = kSharpSText;
    ExpectCStrings({
        { sz, "ss", 1, 1, "next to ss, never equal" },
        { sz, "SS", 1, 1, "also against upper case" },
        { sz, "st", -1, -1, "before st" },
        { sz, "sr", 1, 1, "after sr" },
        { sz, "ssa", -1, -1, "the terminator sorts first" },
        { "STRA" + sz + "E", "strasse", -1, 1, "folded after the expansion" },
        { "STRA" + sz + "E", "strassf", -1, -1, "a later difference decides" },
    });
}

// Expansion comes before case folding: a digraph defined for Æ does not apply to æ, even
// though æ upper-cases to Æ.
TEST_F(CollationTest, NoCaseComparisonExpandsBeforeFolding)
{
    SetCasePair(kCapitalAE, kSmallAE);
    SetDigraphs({ { kCapitalAE, 'A', 'E' } });
    const std::string capital = Text({ kCapitalAE });
    const std::string small = Text({ kSmallAE });
    EXPECT_LT(CompareCStringsNoCase(capital.c_str(), "AF"), 0) << "Æ is AE, before AF";
    EXPECT_GT(CompareCStringsNoCase(small.c_str(), "AF"), 0) << "æ is the single letter Æ";
    EXPECT_GT(CompareCStringsNoCase(small.c_str(), capital.c_str()), 0)
        << "æ and Æ differ although they fold alike";
    EXPECT_LT(CompareCStringsNoCase(capital.c_str(), small.c_str()), 0);
}

// --- CompareNoCaseN ---------------------------------------------------------------------

struct NCase {
    const char* a;
    const char* b;
    std::uint32_t n;
    int sign;
    const char* why;
};

void ExpectNoCaseN(const std::vector<NCase>& cases)
{
    for (const NCase& c : cases) {
        EXPECT_EQ(Sign(CompareNoCaseN(c.a, c.b, c.n)), c.sign) << c.why;
        EXPECT_EQ(Sign(CompareNoCaseN(c.b, c.a, c.n)), -c.sign) << c.why << " (swapped)";
    }
}

TEST_F(CollationTest, CompareNoCaseNMatchesMonthNames)
{
    ExpectNoCaseN({
        { "JAN", "january", 3, 0, "an abbreviation matches the full name" },
        { "jan", "JUNE", 3, -1, "A before U" },
        { "MAR", "mai", 2, 0, "only two characters compared" },
        { "MAR", "mai", 3, 1, "the third decides" },
        { "Ja", "JAN", 3, -1, "the terminator sorts first" },
        { "ab", "AB", 10, 0, "both end before n" },
        { "abc", "xyz", 0, 0, "n of 0 compares nothing" },
    });
}

TEST_F(CollationTest, CompareNoCaseNWithDigraphsCountsExpandedCharacters)
{
    DefineSharpS();
    const std::string sz = kSharpSText;
    const std::string szA = sz + "a";
    const std::string szB = sz + "B";
    ExpectNoCaseN({
        { sz.c_str(), "ss", 2, 0, "ß stands for two characters, both within n" },
        { sz.c_str(), "SS", 5, 1, "both end within n: ß and ss stay apart" },
        { szA.c_str(), "SSB", 2, 0, "the difference lies beyond n" },
        { szA.c_str(), "SSB", 3, -1, "the third expanded character decides" },
        { szA.c_str(), szB.c_str(), 3, -1, "a digraph before the difference counts twice" },
        { szA.c_str(), szB.c_str(), 2, 0, "so the difference is beyond n = 2" },
    });
    // A side that is exhausted first sorts first, by exactly one.
    EXPECT_EQ(CompareNoCaseN(sz.c_str(), "ssa", 3), -1);
    EXPECT_EQ(CompareNoCaseN("ssa", sz.c_str(), 3), 1);
    EXPECT_EQ(CompareNoCaseN("a", "ab", 5), -1);
}

// With n beyond both lengths, CompareNoCaseN must order like CompareCStringsNoCase.
TEST_F(CollationTest, CompareNoCaseNWithALargeCountAgreesWithTheFullComparison)
{
    const std::string sz = kSharpSText;
    const std::vector<std::string> values
        = { "", "a", "A", "ab", "AB ", "ss", "SSA", "st", sz, sz + "a", "s" + sz, "\x80", "[" };
    for (bool digraphs : { false, true }) {
        if (digraphs)
            DefineSharpS();
        for (const std::string& a : values)
            for (const std::string& b : values)
                EXPECT_EQ(Sign(CompareNoCaseN(a.c_str(), b.c_str(), 100)),
                    Sign(CompareCStringsNoCase(a.c_str(), b.c_str())))
                    << "\"" << a << "\" vs \"" << b << "\", digraphs " << digraphs;
    }
}

// --- INSTRING ---------------------------------------------------------------------------

std::int32_t InStringOf(
    std::string_view haystack, std::string_view needle, std::uint32_t step, std::int32_t start)
{
    PushString(haystack);
    PushString(needle);
    std::int32_t result = InString(step, start);
    EXPECT_EQ(StackDepth(), 0) << "both operands are removed";
    return result;
}

/// The search as written down, candidate by candidate, for comparison with the fast paths.
std::int32_t ReferenceInString(
    std::string_view haystack, std::string_view needle, std::uint32_t step, std::int32_t start)
{
    if (needle.empty() || start < 1 || haystack.size() < needle.size())
        return 0;
    std::size_t stride = step == 0 ? needle.size() : step;
    for (std::size_t offset = static_cast<std::size_t>(start) - 1;
         offset + needle.size() <= haystack.size(); offset += stride)
        if (haystack.substr(offset, needle.size()) == needle)
            return static_cast<std::int32_t>(offset / stride + 1);
    return 0;
}

TEST_F(CollationTest, InStringRows)
{
    // The skip table's jump is capped at 255: the Z lies 256 places before the needle's end.
    const std::string longNeedle = "Z" + std::string(256, 'a');
    const std::string longHaystack = std::string(300, 'a') + longNeedle + "tail";
    struct Case {
        std::string haystack;
        std::string needle;
        std::uint32_t step;
        std::int32_t start;
        std::int32_t expected;
        const char* why;
    };
    const Case cases[] = {
        { "ABCABC", "B", 1, 1, 2, "the first B" },
        { "ABCABC", "B", 1, 3, 5, "from position 3, the second B" },
        { "ABCDEF", "CD", 2, 1, 2, "the second step of two" },
        { "ABCDEF", "BC", 2, 1, 0, "BC lies between steps" },
        { "ABCDEF", "CD", 0, 1, 2, "step 0 is the needle's length" },
        { "ABCDEF", "D", 2, 2, 2, "steps are counted from the beginning, not from start" },
        { "ABCDEF", "", 1, 1, 0, "an empty needle" },
        { "", "", 1, 1, 0, "an empty needle in an empty value" },
        { "AB", "ABC", 1, 1, 0, "a needle longer than the value" },
        { "ABCABC", "B", 1, 0, 0, "start 0" },
        { "ABCABC", "B", 1, -1, 0, "a negative start" },
        { "ABC", "C", 1, 3, 3, "a match at the last possible place" },
        { "ABC", "BC", 1, 3, 0, "start past the last possible place" },
        { "ABC", "C", 1, 100, 0, "start far past the end" },
        { "ABC", "ABC", 1, 1, 1, "the whole value" },
        { "abc", "B", 1, 1, 0, "no case folding" },
        { "a\x80\xFF", "\xFF", 1, 1, 3, "bytes above 0x7F" },
        { "A\0B"s, "B", 1, 1, 3, "an embedded NUL is a character" },
        { "xxABABAB", "ABAB", 1, 4, 5, "overlapping candidates" },
        { std::string(299, 'a') + "b", "aaaab", 1, 1, 296, "skip table, match at the end" },
        { std::string(300, 'a'), "aaaab", 1, 1, 0, "skip table, no match" },
        { longHaystack, longNeedle, 1, 1, 301, "skip table with a needle longer than 255" },
        { std::string(600, 'x'), "xxxxx", 1, 400, 400, "skip table from a start" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InStringOf(c.haystack, c.needle, c.step, c.start), c.expected) << c.why;
        EXPECT_EQ(ReferenceInString(c.haystack, c.needle, c.step, c.start), c.expected)
            << c.why << " (reference)";
    }
}

// The fast paths (byte scan, skip table) must give exactly what the plain search gives. Small
// alphabets make overlapping repeats and near misses common; needles are often cut from the
// haystack so that matches occur.
TEST_F(CollationTest, InStringFastPathsAgreeWithThePlainSearch)
{
    std::mt19937 random(7);
    const std::string alphabets[] = { "ab", "\x80\xFF", "a\0\x80"s, "abcdefgh" };
    std::uniform_int_distribution<std::size_t> haystackLength(0, 900);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int i = 0; i < 3000; ++i) {
        const std::string& alphabet = alphabets[static_cast<std::size_t>(i) % 4];
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        std::string haystack(haystackLength(random), ' ');
        for (char& c : haystack)
            c = alphabet[pick(random)];
        std::size_t needleLength
            = std::uniform_int_distribution<std::size_t>(1, percent(random) < 20 ? 300 : 8)(random);
        std::string needle(needleLength, ' ');
        if (haystack.size() >= needleLength && percent(random) < 70) {
            std::size_t from = std::uniform_int_distribution<std::size_t>(
                0, haystack.size() - needleLength)(random);
            needle = haystack.substr(from, needleLength);
        } else {
            for (char& c : needle)
                c = alphabet[pick(random)];
        }
        auto start = std::uniform_int_distribution<std::int32_t>(
            1, static_cast<std::int32_t>(haystack.size()) + 2)(random);
        std::uint32_t step
            = percent(random) < 80 ? 1 : std::uniform_int_distribution<std::uint32_t>(0, 5)(random);
        ASSERT_EQ(InStringOf(haystack, needle, step, start),
            ReferenceInString(haystack, needle, step, start))
            << "haystack " << haystack.size() << " needle " << needle.size() << " step " << step
            << " start " << start;
    }
}

// --- collating sequences ----------------------------------------------------------------

using Weights = std::array<unsigned char, 256>;

Weights Identity()
{
    Weights weights;
    std::iota(weights.begin(), weights.end(), 0);
    return weights;
}

bool IsPermutation(const Weights& weights)
{
    Weights sorted = weights;
    std::sort(sorted.begin(), sorted.end());
    return sorted == Identity();
}

Weights Applied(std::string_view sequence)
{
    Weights weights {}; // whatever was there before does not matter
    weights.fill(0x55);
    ApplyCollatingSequence(weights, sequence);
    EXPECT_TRUE(IsPermutation(weights)) << "sequence of " << sequence.size();
    return weights;
}

/// The printable characters the complete order covers: 0x20-0x7E and 0x80-0xFE.
std::string PrintableCharacters()
{
    std::string printable;
    for (int c = 0x20; c <= 0xFE; ++c)
        if (c != 0x7F)
            printable.push_back(static_cast<char>(c));
    return printable;
}

TEST_F(CollationTest, CollatingSequenceSharesTheCodesOfItsCharacters)
{
    struct Case {
        std::string sequence;
        std::vector<std::pair<unsigned char, unsigned char>> changed; ///< character, weight
        const char* why;
    };
    const Case cases[] = {
        { "", {}, "empty: the identity" },
        { "ba", { { 'b', 'a' }, { 'a', 'b' } }, "only a and b swap" },
        { "cbcab", { { 'c', 'a' }, { 'b', 'b' }, { 'a', 'c' } }, "repeats count once" },
        { "zA", { { 'z', 'A' }, { 'A', 'z' } }, "codes far apart" },
        { "ba\0c"s, { { 'b', 'a' }, { 'a', 'b' } }, "a NUL ends the sequence" },
        { "\xFF\x01", { { 0xFF, 0x01 }, { 0x01, 0xFF } }, "the extreme codes" },
    };
    for (const Case& c : cases) {
        Weights expected = Identity();
        for (auto [character, weight] : c.changed)
            expected[character] = weight;
        EXPECT_EQ(Applied(c.sequence), expected) << c.why;
    }
}

TEST_F(CollationTest, CompleteOrderOfThePrintableCharacters)
{
    std::string order = PrintableCharacters();
    std::reverse(order.begin(), order.end());
    ASSERT_EQ(order.size(), 222u);
    Weights weights = Applied(order);
    for (std::size_t k = 0; k < order.size(); ++k) {
        auto expected = static_cast<unsigned char>(k < 95 ? 0x20 + k : 0x80 + (k - 95));
        EXPECT_EQ(weights[static_cast<unsigned char>(order[k])], expected) << "position " << k;
    }
    for (int c : { 0x00, 0x01, 0x1F, 0x7F, 0xFF })
        EXPECT_EQ(weights[static_cast<std::size_t>(c)], c) << "control characters keep their codes";
    EXPECT_EQ(Applied(order + order[5]), weights) << "a repeated character changes nothing";
}

// 222 characters that include a control character are no complete order of the printable
// characters: numbering them from 0x20 up would give the control character the weight 0xFE,
// which 0xFE, missing from the sequence, keeps. They share their own codes instead.
TEST_F(CollationTest, TwoHundredTwentyTwoCharactersWithAControlCharacterStayAPermutation)
{
    std::string order = PrintableCharacters();
    order.back() = '\x01'; // 0xFE replaced by a control character, last in the order
    Weights weights = Applied(order);
    EXPECT_EQ(weights[0x20], 0x01) << "the first character takes the lowest code of the set";
    EXPECT_EQ(weights[0x01], 0xFD) << "the last character takes the highest";
    EXPECT_EQ(weights[0xFE], 0xFE) << "a character outside the sequence keeps its code";
}

TEST_F(CollationTest, EveryCollatingSequenceGivesAPermutation)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 400);
    for (int i = 0; i < 500; ++i) {
        std::string sequence(length(random), ' ');
        for (char& c : sequence)
            c = static_cast<char>(byte(random));
        Applied(sequence);
    }
    // Near-complete orders, where the 222 rule could go wrong.
    for (int i = 0; i < 200; ++i) {
        std::string order = PrintableCharacters();
        std::shuffle(order.begin(), order.end(), random);
        order[static_cast<std::size_t>(byte(random)) % order.size()]
            = static_cast<char>(byte(random));
        Applied(order);
    }
}

// --- case conversion and clipping -------------------------------------------------------

TEST_F(CollationTest, UpperTopChangesOnlyCharactersWithAPartner)
{
    char variable[] = "abc1 \xE1z!";
    PushString(variable, 8);
    UpperTop();
    EXPECT_EQ(StackTop().View(), "ABC1 \xE1Z!") << "digits, blanks and á without a pair remain";
    EXPECT_STREQ(variable, "abc1 \xE1z!") << "the variable a borrowed entry pointed to is intact";
    Drop();

    SetCasePair(kCapitalAAcute, kSmallAAcute);
    const std::string longValue = std::string(30, 'x') + "\xE1";
    PushString(longValue);
    UpperTop(); // longer than the inline buffer: copied to a block first
    EXPECT_EQ(StackTop().kind, EntryKind::Owned);
    EXPECT_EQ(StackTop().View(), std::string(30, 'X') + "\xC1");
    Drop();

    PushEmpty();
    UpperTop();
    EXPECT_EQ(StackTop().length, 0u);
}

TEST_F(CollationTest, LowerBuffer)
{
    struct Case {
        std::string text;
        std::uint32_t count;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        { "ABC", 2, "abC", "only count characters" },
        { "AB\0CD"s, 65535, "ab\0CD"s, "65535 stops at the terminator" },
        { "AB\0CD"s, 5, "ab\0cd"s, "an explicit count goes past a NUL" },
        { "A1 \xC1Z", 5, "a1 \xC1z", "Á without a pair by default remains" },
        { "ABC", 0, "ABC", "count 0" },
    };
    for (const Case& c : cases) {
        std::string buffer = c.text;
        LowerBuffer(buffer.data(), c.count);
        EXPECT_EQ(buffer, c.expected) << c.why;
    }
    LowerBuffer(nullptr, 65535); // nothing to do, and no crash
}

TEST_F(CollationTest, ClipCString)
{
    struct Case {
        const char* text;
        const char* clipped;
    };
    const Case cases[] = {
        { "AB  ", "AB" }, { "  ", "" }, { "", "" }, { " A ", " A" }, // leading blanks stay
        { "A\t ", "A\t" },                                           // only blanks are removed
    };
    for (const Case& c : cases) {
        std::string buffer = c.text;
        ClipCString(buffer.data());
        EXPECT_STREQ(buffer.c_str(), c.clipped) << '"' << c.text << '"';
    }
    ClipCString(nullptr);
}

} // namespace
