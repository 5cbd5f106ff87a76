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
 * Both functions are reentrant and may be called from several threads at once.
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

#ifdef __cplusplus
}
#endif

#endif /* PELNIX_H */
