// Runs calyra-render from a test through the shell and collects what it says.
#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace calyra::test {

struct RunResult {
    int status;
    std::string out;
};

// Runs program with args in dir, after the shell commands of limits (a
// `ulimit`); stdout captured, stderr to stdout.
inline RunResult RunRender(
    const std::string& args,
    const std::filesystem::path& dir = std::filesystem::temp_directory_path(),
    const std::filesystem::path& program = CALYRA_RENDER_EXE, const std::string& limits = "") {
    const std::string command =
        "cd '" + dir.string() + "' && " + limits + "'" + program.string() + "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    if (!pipe) return {-1, "cannot start " + command};
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace calyra::test
