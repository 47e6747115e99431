#pragma once
// Setting and clearing environment variables in tests, on POSIX and on
// Windows' C run-time (which has no setenv).
#include <cstdlib>
#include <string>

namespace testsupport {

inline void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  ::_putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

inline void UnsetEnv(const char* name) {
#ifdef _WIN32
  ::_putenv_s(name, "");  // an empty value removes the variable there
#else
  ::unsetenv(name);
#endif
}

}  // namespace testsupport
