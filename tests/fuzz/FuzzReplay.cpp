// Runs a fuzz target's check on every file of the folders and files named
// on the command line, as libFuzzer would run it on its corpus. Built into
// the test suite, it makes each seed corpus, with the inputs found by
// fuzzing, a regression test. A failed check aborts.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

int RunFile(const std::filesystem::path& File) {
  std::ifstream in(File, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", File.c_str());
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  std::size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(path);
    }
    for (const auto& file : files) {
      failures += RunFile(file);
      ++inputs;
    }
  }
  std::printf("%zu input(s) replayed\n", inputs);
  // An empty corpus proves nothing.
  return failures == 0 && inputs > 0 ? 0 : 1;
}
