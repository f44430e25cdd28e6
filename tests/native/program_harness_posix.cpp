// Natively the registry is the emulated one: the test seeds it in its own
// process, hands it to the child in a file, and takes it back from there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "child_process.h"
#include "emulated_registry.h"
#include "program_harness.h"

namespace {

std::string scratch_file(const std::string &name) {
  return testing::TempDir() + "txreset-" + std::to_string(getpid()) + "-" +
         name;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

bool harness_fails_writes() { return true; }

void seed_registry(const RegistryImage &image) {
  emulated_registry_load(image);
}

RegistryImage read_registry() {
  RegistryImage image = emulated_registry_image();
  image.erase(std::remove_if(image.begin(), image.end(),
                             [](const RegKey &key) {
                               return !starts_with_ignoring_case(
                                   key.path, kInstanceKeyStem);
                             }),
              image.end());
  return image;
}

ProgramRun run_program(const std::vector<std::string> &args) {
  const std::string registry_file = scratch_file("registry");
  if (!save_image_file(registry_file, emulated_registry_image())) {
    ADD_FAILURE() << "cannot write " << registry_file;
  }
  ProgramRun run =
      run_child(TXRESET_EMULATED_PROGRAM, args,
                {std::string(kRegistryFileVariable) + "=" + registry_file});
  RegistryImage after;
  if (!load_image_file(registry_file, after)) {
    ADD_FAILURE() << "the program left no registry in " << registry_file;
  }
  emulated_registry_load(after);
  std::remove(registry_file.c_str());
  return run;
}

std::string console_text(const std::string &text) { return text; }

ProgramRun run_child(const std::string &program,
                     const std::vector<std::string> &args,
                     const std::vector<std::string> &environment) {
  const std::string out_file = scratch_file("stdout");
  const std::string err_file = scratch_file("stderr");

  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  argv.reserve(words.size() + 1);
  for (std::string &word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  std::vector<std::string> variables(environment);
  for (char **entry = environ; *entry != nullptr; ++entry) {
    variables.emplace_back(*entry);
  }
  std::vector<char *> envp;
  envp.reserve(variables.size() + 1);
  for (std::string &variable : variables) {
    envp.push_back(variable.data());
  }
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr,
                                  argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);

  ProgramRun run{"", "", -1};
  int status = 0;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program;
  } else if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    ADD_FAILURE() << program << " did not exit normally";
  } else {
    run = {read_file(out_file), read_file(err_file), WEXITSTATUS(status)};
  }
  std::remove(out_file.c_str());
  std::remove(err_file.c_str());
  return run;
}
