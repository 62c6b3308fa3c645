// The fxc program, run as the engine runs it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "FxTestSupport.h"
#include "fx/fx_compiler.h"
#include "fx/fx_object.h"

extern char** environ;

namespace {

struct Outcome {
  int status;
  std::string output;  // standard output and standard error together
};

Outcome Fxc(const std::vector<std::string>& arguments, const TempDir& directory) {
  std::string outputPath = directory.File("fxc.out");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string program = FxcPath();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  Outcome run = {-1, ""};
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.output = ReadFileBytes(outputPath);
  return run;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

const char* const kEffect = R"(#include "common.fxh"
float4 PS() : SV_Target { return COLOR; }
technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } }
)";

class FxcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(FxcPath())) << FxcPath();
    WriteFileBytes(directory.File("effect.fx"), kEffect);
    WriteFileBytes(directory.File("common.fxh"), "#ifndef COLOR\n#define COLOR float4(1, 0, 0, 1)\n#endif\n");
  }
  TempDir directory;
};

TEST_F(FxcTest, TheEnginesCommandLineWritesTheObject) {
  std::string object = directory.File("effect.fxo");
  Outcome run = Fxc({"/nologo", "/Ges", "/O3", "/T", "fx_4_0", "/Fo", object, "/D", "COLOR=float4(0,1,0,1)", "/D", "UNUSED=0",
                 "\"" + directory.File("effect.fx") + "\""},
                directory);
  EXPECT_EQ(0, run.status) << run.output;
  EXPECT_EQ("compilation object save succeeded; see " + object + "\n", run.output);
  std::string bytes = ReadFileBytes(object);
  FxEffectObject read;
  std::string error;
  ASSERT_TRUE(FxReadObject(bytes.data(), bytes.size(), &read, &error)) << error;
  EXPECT_EQ(0u, read.flags);
  // The same source compiled in-process gives the same bytes.
  FxFileIncludeHandler includes({directory.Path()});
  FxCompileOptions options;
  options.sourceName = directory.File("effect.fx");
  options.includes = &includes;
  options.defines = {{"COLOR", "float4(0,1,0,1)"}, {"UNUSED", "0"}};
  FxEffectObject object2;
  ASSERT_TRUE(FxCompile(kEffect, options, &object2, &error)) << error;
  std::vector<uint8_t> expected = FxWriteObject(object2);
  EXPECT_EQ(std::string(expected.begin(), expected.end()), bytes);
}

TEST_F(FxcTest, DebugChildAndListingOptions) {
  std::string object = directory.File("child.fxo"), listing = directory.File("child.lst");
  Outcome run = Fxc({"/nologo", "/Ges", "/Od", "/Zi", "/T", "fx_4_0", "/Fo", object, "/Gch", "/Fc", listing,
                 directory.File("effect.fx")},
                directory);
  ASSERT_EQ(0, run.status) << run.output;
  std::string bytes = ReadFileBytes(object);
  FxEffectObject read;
  ASSERT_TRUE(FxReadObject(bytes.data(), bytes.size(), &read, nullptr));
  EXPECT_EQ(kFxObjectChild, read.flags);
  std::string text = ReadFileBytes(listing);
  EXPECT_NE(std::string::npos, text.find("compiled as a child effect"));
  EXPECT_NE(std::string::npos, text.find("#version 450"));
}

TEST_F(FxcTest, AFailedCompileWritesNothingAndSaysWhere) {
  WriteFileBytes(directory.File("bad.fx"), "float4 PS() : SV_Target { return 1; }\ntechnique10 T { pass P { Set(); } }\n");
  std::string object = directory.File("bad.fxo");
  Outcome run = Fxc({"/nologo", "/T", "fx_4_0", "/Fo", object, directory.File("bad.fx")}, directory);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(directory.File("bad.fx") + "(2,26): error X4500: unrecognized pass state 'Set'\n" +
                "compilation failed; no code produced\n",
            run.output);
  EXPECT_FALSE(Exists(object));
  // An empty output file made beforehand stays empty.
  WriteFileBytes(object, "");
  EXPECT_EQ(1, Fxc({"/nologo", "/T", "fx_4_0", "/Fo", object, directory.File("bad.fx")}, directory).status);
  EXPECT_EQ("", ReadFileBytes(object));
}

TEST_F(FxcTest, CommandLineMistakes) {
  std::string source = directory.File("effect.fx");
  EXPECT_EQ(2, Fxc({"/nologo", source}, directory).status);                          // no target
  EXPECT_EQ(2, Fxc({"/nologo", "/T", "fx_5_0", source}, directory).status);          // another target
  EXPECT_EQ(2, Fxc({"/nologo", "/T", "fx_4_0", "/Frobnicate", source}, directory).status);
  EXPECT_EQ(2, Fxc({"/nologo", "/T", "fx_4_0", "/Fo"}, directory).status);
  Outcome missing = Fxc({"/nologo", "/T", "fx_4_0", directory.File("missing.fx")}, directory);
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.output.find("error X1507: failed to open source file"));
  // Without /nologo a banner comes first; without /Fo nothing is written.
  Outcome plain = Fxc({"/T", "fx_4_0", source}, directory);
  EXPECT_EQ(0, plain.status);
  EXPECT_EQ(0u, plain.output.find("Morvane effect compiler"));
}

}  // namespace
