#pragma once
// Runs a tool as a person would from a shell and keeps its exit status and everything it printed.

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct ToolRun {
  int status;
  std::string out;
};

inline ToolRun Exec(const std::string& command) {
  ToolRun r{-1, ""};
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}
