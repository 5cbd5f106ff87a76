/* Prints the control number of a text or of a file:
 *   pelnix_example TEXT         the SHA-1 of the text's bytes
 *   pelnix_example -f FILE      the SHA-1 of the file's contents
 * Exits with 1 when the data could not be hashed. */
#include <pelnix.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    char dig[41] = { 0 }; /* 40 characters and the NUL pelnix does not write */
    if (argc == 3 && strcmp(argv[1], "-f") == 0)
        doSHAOnFile(argv[2], dig);
    else if (argc == 2)
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
