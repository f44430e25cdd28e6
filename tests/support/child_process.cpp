#include "child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

constexpr uid_t kNobody = 65534;

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// argv or envp for exec: pointers into `words`, then a null.
std::vector<char *> pointers(std::vector<std::string> &words) {
  std::vector<char *> list;
  list.reserve(words.size() + 1);
  for (std::string &word : words) {
    list.push_back(word.data());
  }
  list.push_back(nullptr);
  return list;
}

}  // namespace

ProgramRun run_child(const std::string &program,
                     const std::vector<std::string> &args,
                     const ChildOptions &options) {
  const std::string stem =
      testing::TempDir() + "txreset-child-" + std::to_string(getpid());
  const std::string out_file = stem + ".out";
  const std::string err_file = stem + ".err";

  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<std::string> variables(options.environment);
  for (char **entry = environ; *entry != nullptr; ++entry) {
    variables.emplace_back(*entry);
  }
  // Made before the fork: the child only redirects, changes user and execs.
  const std::vector<char *> argv = pointers(words);
  const std::vector<char *> envp = pointers(variables);

  const pid_t child = fork();
  if (child == 0) {
    const int in = open(options.input.c_str(), O_RDONLY);
    const int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0 ||
        (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) ||
        (options.as_nobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0))) {
      _exit(126);
    }
    if (options.file_size_limit > 0) {
      // A write past the limit then fails with EFBIG, as on a full disk.
      const rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                         static_cast<rlim_t>(options.file_size_limit)};
      if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR ||
          setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        _exit(126);
      }
    }
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }

  ProgramRun run{"", "", -1};
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    ADD_FAILURE() << program << " did not exit normally";
  } else {
    run = {read_file(out_file), read_file(err_file), WEXITSTATUS(status)};
  }
  std::remove(out_file.c_str());
  std::remove(err_file.c_str());
  return run;
}
