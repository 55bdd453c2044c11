// Minifies script files into a folder, for the parser check of
// scripts/check-js-min:
//
//   js_minify_files [--module | --json] OUT_DIR FILE...
//
// Writes each FILE's result to OUT_DIR under the file's index ("0.js",
// "1.js", ...) and prints one tab-separated line a file: index, outcome,
// changed (0 or 1), bytes before, bytes after, path.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compact/JsMinify.h"

int main(int argc, char** argv) {
  int Arg = 1;
  bool Module = false;
  bool Json = false;
  if (Arg < argc && std::strcmp(argv[Arg], "--module") == 0) {
    Module = true;
    ++Arg;
  } else if (Arg < argc && std::strcmp(argv[Arg], "--json") == 0) {
    Json = true;
    ++Arg;
  }
  if (argc - Arg < 1) {
    std::fprintf(stderr, "usage: js_minify_files [--module | --json] OUT_DIR FILE...\n");
    return 2;
  }
  const std::filesystem::path OutDir(argv[Arg++]);
  std::filesystem::create_directories(OutDir);
  int Failures = 0;
  for (int Index = 0; Arg < argc; ++Arg, ++Index) {
    std::ifstream In(argv[Arg], std::ios::binary);
    if (!In) {
      std::fprintf(stderr, "cannot read %s\n", argv[Arg]);
      ++Failures;
      continue;
    }
    const std::string Source((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    std::vector<char> Out(Source.size() + 1);
    const TScriptResult R = Json ? MinifyJsonTo(Source, Out.data()) : MinifyJavaScriptTo(Source, Module, Out.data());
    const std::filesystem::path Name = OutDir / (std::to_string(Index) + ".js");
    std::ofstream(Name, std::ios::binary).write(Out.data(), static_cast<std::streamsize>(R.Size));
    std::printf("%d\t%s\t%d\t%zu\t%zu\t%s\n", Index, ScriptOutcomeName(R.Outcome), R.Changed ? 1 : 0,
                Source.size(), R.Size, argv[Arg]);
  }
  return Failures == 0 ? 0 : 1;
}
