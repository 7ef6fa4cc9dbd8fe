#pragma once

#include <string>
#include <vector>

namespace kelvane::test {

// One shell command: its exit status and what it wrote on standard output and error, merged.
struct ShellRun {
    int status = -1;
    std::string output;
};
ShellRun shell(const std::string& command);

// `text` quoted for the shell.
std::string shellQuoted(const std::string& text);

// A program started without a shell and left running; `wait` collects its exit status.
class Child {
  public:
    explicit Child(const std::vector<std::string>& argv);
    ~Child();  // kills it if still running
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Its exit status once it has ended within `seconds`; -1 if it still runs then.
    int wait(double seconds);

  private:
    int pid_ = -1;
};

}  // namespace kelvane::test
