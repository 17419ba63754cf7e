/* The reference floor of the large benchmark: the fastest copy found of a
 * source's bytes from offset 32 to an output's at offset 44, with nothing of
 * a conversion around it. The output's space is reserved first
 * (fallocate, FALLOC_FL_KEEP_SIZE), then one 64 KiB buffer is read straight
 * from the source and written so that every write ends on a multiple of
 * 64 KiB in the output.
 *
 *     shifted_copy SOURCE OUTPUT
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

enum { PIECE = 64 * 1024, SOURCE_START = 32, OUTPUT_START = 44 };

static unsigned char buffer[PIECE];

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    int source = open(argv[1], O_RDONLY);
    int output = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    struct stat info;
    if (source < 0 || output < 0 || fstat(source, &info) != 0) return perror("shifted_copy"), 1;
    off_t left = info.st_size - SOURCE_START;
    fallocate(output, FALLOC_FL_KEEP_SIZE, 0, OUTPUT_START + left);
    lseek(source, SOURCE_START, SEEK_SET);
    size_t pending = OUTPUT_START; /* the header's place, zeros here */
    while (left > 0) {
        size_t want = PIECE - pending;
        if ((off_t)want > left) want = (size_t)left;
        ssize_t got = read(source, buffer + pending, want);
        if (got <= 0) return perror("shifted_copy: read"), 1;
        pending += (size_t)got;
        left -= got;
        if (pending == PIECE || left == 0) {
            if (write(output, buffer, pending) != (ssize_t)pending) return perror("shifted_copy: write"), 1;
            pending = 0;
        }
    }
    return close(output) == 0 ? 0 : 1;
}
