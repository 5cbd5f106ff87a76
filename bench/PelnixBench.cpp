// doSHA on a 500-byte record, hex output included; the peer is libcrypto's one-shot
// EVP_Digest of the same bytes without the hex, measured in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <pelnix.h>

#include <array>

namespace {

std::array<unsigned char, 500> Record()
{
    std::array<unsigned char, 500> record {};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<unsigned char>(i * 7 + 3);
    return record;
}

void DoSha500Bytes(benchmark::State& state)
{
    const auto record = Record();
    char dig[40];
    for (auto _ : state) {
        doSHA(record.data(), record.size(), dig);
        benchmark::DoNotOptimize(dig);
    }
}
BENCHMARK(DoSha500Bytes);

void EvpDigest500Bytes(benchmark::State& state)
{
    const auto record = Record();
    EVP_MD* sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_Digest(record.data(), record.size(), digest, &length, sha1, nullptr);
        benchmark::DoNotOptimize(digest);
    }
    EVP_MD_free(sha1);
}
BENCHMARK(EvpDigest500Bytes);

} // namespace
