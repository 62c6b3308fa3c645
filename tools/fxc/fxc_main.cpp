// fxc: compiles an effect source into this platform's effect object.
//   fxc [/nologo] [/Ges] [/Od] [/Zi] [/O0../O3] /T fx_4_0 [/Fo object] [/Fc listing] [/Gch]
//       [/D name[=value]]... source
// Messages go to standard error in the form "file(line,col): error Xnnnn:
// text"; nothing is written to the object file unless compilation succeeds.
// Exit status: 0 on success, 1 when the source does not compile, 2 for a
// wrong command line or an unwritable output.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "fx/fx_compiler.h"
#include "fx/fx_disassembly.h"
#include "fx/fx_object.h"

namespace {

struct Options {
  bool logo = true;
  bool child = false;
  std::string target;
  std::string object;
  std::string listing;
  std::string source;
  std::vector<FxDefine> defines;
};

// Callers that pass the command line through without a shell leave the
// quotes around the source path in place.
std::string Unquote(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

bool IsFile(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

FxDefine ParseDefine(const std::string& text) {
  std::size_t equals = text.find('=');
  if (equals == std::string::npos) return {text, "1"};
  return {text.substr(0, equals), text.substr(equals + 1)};
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "fxc: error: %s\n", problem);
  std::fprintf(stderr,
               "usage: fxc [/nologo] [/Od] [/Zi] [/O0-3] [/Ges] /T fx_4_0 [/Fo object] [/Fc listing] [/Gch]\n"
               "           [/D name[=value]]... source\n");
  return problem ? 2 : 0;
}

// Options are recognised by their exact spelling; anything else is the
// source path (a path may start with '/').
int ParseArguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = Unquote(argv[i]);
    std::string option = arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') ? arg.substr(1) : std::string();
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = Unquote(argv[++i]);
      return true;
    };
    if (option == "nologo") {
      options->logo = false;
    } else if (option == "Ges" || option == "Od" || option == "Zi" || option == "O0" || option == "O1" ||
               option == "O2" || option == "O3" || option == "Vd" || option == "WX") {
      // Code generation hints: the GLSL back end has one way to compile.
    } else if (option == "Gch") {
      options->child = true;
    } else if (option == "T") {
      if (!value(&options->target)) return Usage("/T needs a target");
    } else if (option == "Fo") {
      if (!value(&options->object)) return Usage("/Fo needs a file name");
    } else if (option == "Fc") {
      if (!value(&options->listing)) return Usage("/Fc needs a file name");
    } else if (option == "D") {
      std::string define;
      if (!value(&define)) return Usage("/D needs a definition");
      options->defines.push_back(ParseDefine(define));
    } else if (option.size() > 1 && option[0] == 'D' && option.find('/') == std::string::npos) {
      options->defines.push_back(ParseDefine(option.substr(1)));
    } else if (option.size() > 1 && option[0] == 'T' && option.find('/') == std::string::npos && !IsFile(arg)) {
      options->target = option.substr(1);
    } else if (option == "?" || option == "help") {
      return Usage(nullptr), -1;
    } else if (!option.empty() && !IsFile(arg) && option.find('/') == std::string::npos) {
      return Usage(("unknown option '" + arg + "'").c_str());
    } else if (options->source.empty()) {
      options->source = arg;
    } else {
      return Usage("more than one source file");
    }
  }
  if (options->source.empty()) return Usage("no source file");
  if (options->target.empty()) return Usage("no target profile (/T fx_4_0)");
  return 0;
}

bool WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int status = ParseArguments(argc, argv, &options);
  if (status) return status < 0 ? 0 : status;
  if (options.logo) std::printf("Morvane effect compiler: fx_4_0 to GLSL 4.50\n\n");
  if (options.target != "fx_4_0" && options.target != "fx_4_1") {
    std::fprintf(stderr, "fxc: error X3507: target '%s' is not supported; use fx_4_0\n", options.target.c_str());
    return 2;
  }
  std::string source;
  if (!FxReadFile(options.source, &source)) {
    std::fprintf(stderr, "%s(1,1): error X1507: failed to open source file: '%s'\n", options.source.c_str(),
                 options.source.c_str());
    return 1;
  }
  FxFileIncludeHandler includes({FxDirectoryOf(options.source), ""});
  FxCompileOptions compile;
  compile.sourceName = options.source;
  compile.defines = options.defines;
  compile.includes = &includes;
  compile.child = options.child;
  FxEffectObject object;
  std::string messages;
  bool compiled = FxCompile(source, compile, &object, &messages);
  std::fputs(messages.c_str(), stderr);
  if (!compiled) {
    std::fprintf(stderr, "compilation failed; no code produced\n");
    return 1;
  }
  if (!options.object.empty()) {
    std::vector<uint8_t> bytes = FxWriteObject(object);
    if (!WriteFile(options.object, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "fxc: error: cannot write '%s'\n", options.object.c_str());
      return 2;
    }
  }
  if (!options.listing.empty()) {
    std::string listing = FxDisassemble(object, true);
    if (!WriteFile(options.listing, listing.data(), listing.size())) {
      std::fprintf(stderr, "fxc: error: cannot write '%s'\n", options.listing.c_str());
      return 2;
    }
  }
  if (!options.object.empty()) std::printf("compilation object save succeeded; see %s\n", options.object.c_str());
  return 0;
}
