// Replays a fuzz target's corpus without libFuzzer: every file named on the command line, or found
// in a folder named there, is handed to LLVMFuzzerTestOneInput once. A failed check aborts.

#include "fuzzcheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool replay(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes {std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        std::vector<fs::path> files;
        if (fs::is_directory(path)) {
            for (const auto &entry : fs::recursive_directory_iterator(path)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
        } else {
            files.push_back(path);
        }
        std::sort(files.begin(), files.end());
        for (const fs::path &file : files) {
            if (!replay(file)) {
                std::cerr << "cannot read " << file << '\n';
                return 1;
            }
            ++replayed;
        }
    }
    // An empty corpus would pass without testing anything.
    std::cout << replayed << " inputs replayed\n";
    return replayed > 0 ? 0 : 1;
}
