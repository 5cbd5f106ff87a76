// SHA-1 from OpenSSL's libcrypto, with the digest written as 40 upper-case hex characters.
#include "pelnix.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>

namespace {

constexpr std::size_t kHexLength = 40;
constexpr std::size_t kDigestLength = 20;

// Large enough to keep system calls rare, small enough to stay in the CPU's cache while the
// hash reads it back.
constexpr std::size_t kReadBuffer = 128 * 1024;

/// The algorithm, looked up once for the process.
const EVP_MD* Sha1()
{
    static EVP_MD* const kSha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return kSha1;
}

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

/// One digest context per thread, reused from call to call, so a call allocates nothing.
EVP_MD_CTX* ThreadContext()
{
    thread_local std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    return context.get();
}

/// A context ready for a new digest, or null when libcrypto cannot give one.
EVP_MD_CTX* StartDigest()
{
    EVP_MD_CTX* context = ThreadContext();
    const EVP_MD* sha1 = Sha1();
    if (context == nullptr || sha1 == nullptr || EVP_DigestInit_ex2(context, sha1, nullptr) != 1)
        return nullptr;
    return context;
}

void Fail(char* dig)
{
    dig[0] = '\0';
}

/// Finishes the digest and writes it as hex; a failure leaves the empty string.
void FinishDigest(EVP_MD_CTX* context, char* dig)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1 || length != kDigestLength) {
        Fail(dig);
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < kDigestLength; ++i) {
        dig[2 * i] = kHex[digest[i] >> 4];
        dig[2 * i + 1] = kHex[digest[i] & 0x0F];
    }
    static_assert(2 * kDigestLength == kHexLength);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

/// Feeds the whole file to the digest; false when it cannot be read to its end.
bool HashFile(int fd, EVP_MD_CTX* context)
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kReadBuffer]);
    if (!buffer)
        return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    for (;;) {
        ssize_t got = ::read(fd, buffer.get(), kReadBuffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (EVP_DigestUpdate(context, buffer.get(), static_cast<std::size_t>(got)) != 1)
            return false;
    }
}

} // namespace

extern "C" void doSHA(unsigned char const* pbData, unsigned int dataLen, char* dig)
{
    if (dig == nullptr)
        return;
    EVP_MD_CTX* context = pbData == nullptr && dataLen > 0 ? nullptr : StartDigest();
    if (context == nullptr || (dataLen > 0 && EVP_DigestUpdate(context, pbData, dataLen) != 1)) {
        Fail(dig);
        return;
    }
    FinishDigest(context, dig);
}

extern "C" void doSHAOnFile(const char* filename, char* dig)
{
    if (dig == nullptr)
        return;
    if (filename == nullptr) {
        Fail(dig);
        return;
    }
    FileDescriptor file(::open(filename, O_RDONLY | O_CLOEXEC));
    EVP_MD_CTX* context = file.Get() < 0 ? nullptr : StartDigest();
    if (context == nullptr || !HashFile(file.Get(), context)) {
        Fail(dig);
        return;
    }
    FinishDigest(context, dig);
}
