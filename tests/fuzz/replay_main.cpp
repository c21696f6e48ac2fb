// Replays stored inputs through a harness without libFuzzer: every file in the
// folders named on the command line. So an input that once crashed stays a
// test of the ordinary suite.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i)  // a missing folder throws, which fails the test
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            std::fprintf(stderr, "%s\n", entry.path().c_str());  // names the input a failed check was on
            replayed += LLVMFuzzerTestOneInput(bytes.data(), bytes.size()) == 0;
        }
    return replayed == 0;  // an empty corpus would pass without testing anything
}
