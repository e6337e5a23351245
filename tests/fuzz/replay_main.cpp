// Runs a fuzz harness once on each input named on the command line, or on each file in
// a named folder, in name order: how the native and sanitize builds replay the seed
// corpus and every input that once found a fault, without libFuzzer. A failed
// property aborts, so the name printed last is the input at fault.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path named = argv[i];
    if (std::filesystem::is_directory(named)) {
      for (const auto& entry : std::filesystem::directory_iterator(named)) {
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
          inputs.push_back(entry.path());
        }
      }
    } else if (std::filesystem::is_regular_file(named)) {
      inputs.push_back(named);
    } else {
      std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  for (const auto& input : inputs) {
    std::fprintf(stderr, "replaying %s\n", input.c_str());
    std::ifstream in(input, std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
