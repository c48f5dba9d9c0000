// Writes a pseudo-random image of a given size: the same bytes for the same
// seed on every machine (splitmix64), so benchmark figures compare.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "Usage: sorrel_make_random_image OUT SIZE [SEED]\n");
        return 2;
    }
    const std::uint64_t size = std::strtoull(argv[2], nullptr, 0);
    std::uint64_t state = argc == 4 ? std::strtoull(argv[3], nullptr, 0) : 0x5EED5EEDu;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<std::uint8_t> block(1 << 20);
    for (std::uint64_t done = 0; done < size;) {
        for (std::size_t i = 0; i < block.size(); i += 8) {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            z ^= z >> 31;
            for (int k = 0; k < 8; ++k) {
                block[i + k] = static_cast<std::uint8_t>(z >> (8 * k));
            }
        }
        const std::size_t n =
            size - done < block.size() ? static_cast<std::size_t>(size - done) : block.size();
        if (std::fwrite(block.data(), 1, n, out) != n) {
            std::perror(argv[1]);
            return 1;
        }
        done += n;
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
