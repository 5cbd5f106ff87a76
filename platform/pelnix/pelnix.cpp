// SHA-1 from OpenSSL's libcrypto, with the digest written as 40 upper-case hex characters.
#include "pelnix.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
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

/// Time on the monotonic clock, in nanoseconds.
std::int64_t MonotonicNanoseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

/// Tells a caller's progress callback how far the reading has come, no more often than about
/// ten times a second: the first call comes after the first buffer (so a long file shows its
/// size at once), the next ones when 100 ms have passed since the one before, and a last one when
/// the end of the file was read.
class ProgressReport {
public:
    ProgressReport(pelnix_progress_fn callback, void* userData, int fd, unsigned long long size)
        : m_callback(callback)
        , m_userData(userData)
        , m_fd(fd)
        , m_size(size)
    {
    }

    /// After each buffer: false when the callback asked to stop.
    bool Read(unsigned long long done)
    {
        if (m_callback == nullptr)
            return true;
        const std::int64_t now = MonotonicNanoseconds();
        if (now < m_nextCall)
            return true;
        m_nextCall = now + kInterval;
        if (done >= m_size) {
            // Read up to the size the file had: it may have grown since, so ask it again.
            struct stat status { };
            if (::fstat(m_fd, &status) == 0)
                m_size = status.st_size > 0 ? static_cast<unsigned long long>(status.st_size) : 0;
            if (done >= m_size)
                return true; // the end is here: the last call reports it
        }
        return m_callback(done, m_size, m_userData) == 0;
    }

    /// At the end of the file: false when the callback asked to stop even now.
    bool Finished(unsigned long long done)
    {
        return m_callback == nullptr || m_callback(done, done, m_userData) == 0;
    }

private:
    static constexpr std::int64_t kInterval = 100 * 1000 * 1000;

    pelnix_progress_fn m_callback;
    void* m_userData;
    int m_fd;
    unsigned long long m_size;
    std::int64_t m_nextCall = 0;
};

/// Feeds the whole file to the digest, up to the end it has when the reading gets there (a file
/// that shrinks or grows meanwhile is read as far as it then goes). Reports to `progress` when
/// one is given.
int HashFile(int fd, EVP_MD_CTX* context, ProgressReport* progress)
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kReadBuffer]);
    if (!buffer)
        return PELNIX_READ_ERROR;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    unsigned long long done = 0;
    for (;;) {
        ssize_t got = ::read(fd, buffer.get(), kReadBuffer);
        if (got == 0)
            return progress == nullptr || progress->Finished(done) ? PELNIX_OK : PELNIX_CANCELLED;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return PELNIX_READ_ERROR;
        }
        if (EVP_DigestUpdate(context, buffer.get(), static_cast<std::size_t>(got)) != 1)
            return PELNIX_READ_ERROR;
        done += static_cast<unsigned long long>(got);
        if (progress != nullptr && !progress->Read(done))
            return PELNIX_CANCELLED;
    }
}

/// The status for a failed open(2).
int OpenStatus(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return PELNIX_NOT_FOUND;
    case EACCES:
    case EPERM:
        return PELNIX_NO_PERMISSION;
    case EISDIR:
        return PELNIX_IS_DIRECTORY;
    case ENXIO: // a socket, or a device with no driver behind it
        return PELNIX_NOT_REGULAR;
    default:
        return PELNIX_READ_ERROR;
    }
}

/// Why the file open at `fd` will not be read, or PELNIX_OK for a regular file. Its size goes to
/// `size`.
int KindStatus(int fd, unsigned long long* size)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        return PELNIX_READ_ERROR;
    if (S_ISDIR(status.st_mode))
        return PELNIX_IS_DIRECTORY;
    if (!S_ISREG(status.st_mode))
        return PELNIX_NOT_REGULAR;
    *size = status.st_size > 0 ? static_cast<unsigned long long>(status.st_size) : 0;
    return PELNIX_OK;
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
    if (context == nullptr || HashFile(file.Get(), context, nullptr) != PELNIX_OK) {
        Fail(dig);
        return;
    }
    FinishDigest(context, dig);
}

extern "C" int pelnix_sha1_file(
    const char* filename, char* dig, pelnix_progress_fn progress, void* user_data)
{
    if (dig == nullptr)
        return PELNIX_INVALID_ARGUMENT;
    Fail(dig);
    if (filename == nullptr)
        return PELNIX_INVALID_ARGUMENT;
    // Not blocking: opening a FIFO would otherwise wait for a writer. It is refused right after,
    // as is everything but a regular file, before a byte is read.
    FileDescriptor file(::open(filename, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return OpenStatus(errno);
    unsigned long long size = 0;
    if (const int status = KindStatus(file.Get(), &size); status != PELNIX_OK)
        return status;
    EVP_MD_CTX* context = StartDigest();
    if (context == nullptr)
        return PELNIX_READ_ERROR;
    ProgressReport report(progress, user_data, file.Get(), size);
    if (const int status = HashFile(file.Get(), context, &report); status != PELNIX_OK)
        return status;
    FinishDigest(context, dig);
    return dig[0] == '\0' ? PELNIX_READ_ERROR : PELNIX_OK;
}
