// Peer converter for the speed comparison: reads one number per line from
// standard input and writes it in another base, using GMP's own text
// conversions (mpz_set_str / mpz_get_str). Upper-case digits, so that its
// output can be compared byte for byte with basewright-cli's.
//
//   basewright_gmp_peer FROM TO < numbers > converted
//
// A line GMP cannot read gives an empty output line.

#include <gmp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FROM TO < numbers\n", argv[0]);
        return 2;
    }
    const int from = std::atoi(argv[1]);
    const int to = std::atoi(argv[2]);
    if (from < 2 || from > 36 || to < 2 || to > 36) {
        std::fprintf(stderr, "%s: bases are 2 to 36\n", argv[0]);
        return 2;
    }
    // The same block size as the converter it is compared with.
    static char inBuffer[1 << 20];
    static char outBuffer[1 << 20];
    std::setvbuf(stdin, inBuffer, _IOFBF, sizeof inBuffer);
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    mpz_t value;
    mpz_init(value);
    std::vector<char> text(64);
    char* line = nullptr;
    size_t lineCapacity = 0;
    ssize_t length;
    while ((length = getline(&line, &lineCapacity, stdin)) >= 0) {
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            line[--length] = '\0';
        }
        if (mpz_set_str(value, line, from) == 0) {
            const size_t need = mpz_sizeinbase(value, to) + 2;
            if (need > text.size()) {
                text.resize(need * 2);
            }
            mpz_get_str(text.data(), -to, value);
            std::fputs(text.data(), stdout);
        }
        std::putchar('\n');
    }
    std::free(line);
    mpz_clear(value);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
