#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"

#include <string>

// The plug-in folders come as --plugins=DIR and --test-plugins=DIR (default:
// the first), after GoogleTest's own flags.
int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char commandsPrefix[] = "--plugins=";
  const char testOnlyPrefix[] = "--test-plugins=";
  std::string commands = ".";
  std::string testOnly;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], commandsPrefix, sizeof commandsPrefix - 1) == 0)
      commands = argv[i] + sizeof commandsPrefix - 1;
    else if (std::strncmp(argv[i], testOnlyPrefix, sizeof testOnlyPrefix - 1) == 0)
      testOnly = argv[i] + sizeof testOnlyPrefix - 1;
  }
  harness::setPluginFolders(commands, testOnly.empty() ? commands : testOnly);
  return RUN_ALL_TESTS();
}
