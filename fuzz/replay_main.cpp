// Runs a fuzz harness once on each given file, and on every file of each given folder, without
// libFuzzer: this is how the seed corpora and the saved findings run as ordinary tests with any
// compiler. A failing check aborts, which fails the test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const fs::path& path) {
  std::vector<fs::path> files;
  if (fs::is_directory(path)) {
    for (const auto& entry : fs::directory_iterator(path)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
  } else if (fs::is_regular_file(path)) {
    files.push_back(path);
  }
  return files;
}

void runOne(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)),
                                std::istreambuf_iterator<char>());
  // A block of exactly the input's size, as libFuzzer hands it over.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  static const std::uint8_t kNothing = 0;
  LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
}

}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    // A folder of findings exists only once something was found (git keeps no empty folder).
    if (!fs::exists(argv[i])) {
      std::printf("replay: nothing at %s\n", argv[i]);
      continue;
    }
    for (const fs::path& file : inputsOf(argv[i])) {
      runOne(file);
      ++count;
    }
  }
  std::printf("replay: %zu inputs passed\n", count);
  return count > 0 ? 0 : 2;
}
