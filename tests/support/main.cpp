#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"

// The plug-in folder comes as --plugins=DIR, after GoogleTest's own flags.
int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char prefix[] = "--plugins=";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], prefix, sizeof prefix - 1) == 0)
      harness::setPluginFolder(argv[i] + sizeof prefix - 1);
  return RUN_ALL_TESTS();
}
