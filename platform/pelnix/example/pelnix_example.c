/* Prints the control number of a text or of a file:
 *   pelnix_example TEXT         the SHA-1 of the text's bytes
 *   pelnix_example -f FILE      the SHA-1 of the file's contents, with its progress in percent
 *                               on stderr
 * Exits with 1, saying why on stderr, when the data could not be hashed. */
#include <pelnix.h>
#include <stdio.h>
#include <string.h>

/* Why pelnix_sha1_file gave no digest. */
static const char* reason(int status)
{
    switch (status) {
    case PELNIX_NOT_FOUND:
        return "no such file or directory";
    case PELNIX_NO_PERMISSION:
        return "permission denied";
    case PELNIX_IS_DIRECTORY:
        return "is a directory";
    case PELNIX_NOT_REGULAR:
        return "not a regular file";
    case PELNIX_CANCELLED:
        return "cancelled";
    case PELNIX_INVALID_ARGUMENT:
        return "invalid argument";
    default:
        return "read error";
    }
}

/* Shows how far the hashing has come on one line of stderr, rewritten in place. */
static int show_progress(unsigned long long done, unsigned long long total, void* user_data)
{
    const char* name = (const char*)user_data;
    unsigned percent = total == 0 ? 100u : (unsigned)(done * 100 / total);
    fprintf(stderr, "\r%s: %3u%%", name, percent);
    if (done == total)
        fputc('\n', stderr);
    return 0; /* non-zero would stop the hashing */
}

int main(int argc, char** argv)
{
    char dig[41] = { 0 }; /* 40 characters and the NUL pelnix does not write */
    if (argc == 3 && strcmp(argv[1], "-f") == 0) {
        int status = pelnix_sha1_file(argv[2], dig, show_progress, argv[2]);
        if (status != PELNIX_OK) {
            fprintf(stderr, "%s: %s\n", argv[2], reason(status));
            return 1;
        }
    } else if (argc == 2)
        doSHA((unsigned char const*)argv[1], (unsigned int)strlen(argv[1]), dig);
    else {
        fprintf(stderr, "usage: %s TEXT | -f FILE\n", argv[0]);
        return 2;
    }
    if (dig[0] == '\0') {
        fprintf(stderr, "cannot hash\n");
        return 1;
    }
    printf("%s\n", dig);
    return 0;
}
