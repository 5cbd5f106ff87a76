/*
 * pelnix: the control number (SHA-1) of data and of files.
 *
 * Both functions write the SHA-1 digest as exactly 40 upper-case hexadecimal characters into
 * `dig`, which must have room for at least 40 bytes. No terminating NUL is written: a caller
 * who wants a C string passes a zeroed buffer of 41 bytes.
 *
 * Failure: the functions return nothing, so a failure is shown in `dig` itself. When the data
 * cannot be hashed (a null `filename`, a file that cannot be opened or read, or a null `pbData`
 * with a `dataLen` above 0) a single NUL is written to dig[0] and nothing else: dig then holds
 * the empty string, never a stale or partial digest. Test dig[0] != '\0' for success.
 *
 * pelnix_sha1_file (since 1.1) hashes a file as doSHAOnFile does and also answers why it could
 * not, reports its progress and may be stopped half-way.
 *
 * All functions are reentrant and may be called from several threads at once.
 */
#ifndef PELNIX_H
#define PELNIX_H

#if defined(PELNIX_BUILDING)
#    define PELNIX_API __attribute__((visibility("default")))
#else
#    define PELNIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The SHA-1 of the dataLen bytes at pbData. pbData may be null when dataLen is 0. */
PELNIX_API void doSHA(unsigned char const* pbData, unsigned int dataLen, char* dig);

/* The SHA-1 of the contents of the file named by filename, spelt as the operating system
 * spells it (bytes; UTF-8 on Linux). The file is read from start to end. */
PELNIX_API void doSHAOnFile(const char* filename, char* dig);

/* The answers of pelnix_sha1_file. The values are part of the library's interface: they keep
 * their meaning in every version 1.x, and later versions may add values after these. */
enum {
    PELNIX_OK = 0,              /* the digest is in dig */
    PELNIX_NOT_FOUND = 1,       /* no such file, or a directory on its path is missing */
    PELNIX_NO_PERMISSION = 2,   /* the file (or a directory on its path) may not be read */
    PELNIX_IS_DIRECTORY = 3,    /* the name is a directory */
    PELNIX_READ_ERROR = 4,      /* reading failed on the way, or the name cannot be resolved
                                   (too long, too many symbolic links) */
    PELNIX_CANCELLED = 5,       /* the progress callback asked to stop */
    PELNIX_NOT_REGULAR = 6,     /* a FIFO, a device or a socket: refused, never waited on */
    PELNIX_INVALID_ARGUMENT = 7 /* filename or dig is null */
};

/* Told how far pelnix_sha1_file has come: `done` bytes read of `total`, the file's size (never
 * less than done). Called on the thread that called pelnix_sha1_file: once after the first read
 * of a file longer than one read buffer (128 KiB), then at most about ten times a second while
 * bytes remain, and once more when the last byte was read (done == total: the last call, made
 * for every file, the empty one included). `done` never falls. A file that changes size while it
 * is read is read as far as it goes when the reading gets there, and `total` follows it. A
 * non-zero answer stops the hashing before another buffer is read: pelnix_sha1_file then answers
 * PELNIX_CANCELLED, even when the answer came with the last call. */
typedef int (*pelnix_progress_fn)(
    unsigned long long done, unsigned long long total, void* user_data);

/* As doSHAOnFile, answering a status (PELNIX_OK or one of the reasons above). On any status but
 * PELNIX_OK, dig[0] is NUL and nothing else is written (when dig itself is null, nothing is).
 * Only a regular file is read: a directory, FIFO, device or socket is refused before a byte is
 * read, and opening never waits. `progress` may be null; `user_data` is handed to it as it is.
 * Allocates nothing on the caller's behalf beyond one read buffer for the call's duration. */
PELNIX_API int pelnix_sha1_file(
    const char* filename, char* dig, pelnix_progress_fn progress, void* user_data);

#ifdef __cplusplus
}
#endif

#endif /* PELNIX_H */
