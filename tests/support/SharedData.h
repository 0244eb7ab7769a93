// Where the real bank files of the shared test data lie, and the skip for tests that need them.
#pragma once

#include "SharedDataPaths.h"

#include <gtest/gtest.h>

// Skips the current test (or, in SetUp, the fixture's tests) when the real banks are absent.
#define KORVID_REQUIRE_SHARED_BANKS()                                                                        \
  do                                                                                                         \
  {                                                                                                          \
    if (!korvidtest::haveSharedBanks())                                                                      \
      GTEST_SKIP() << korvidtest::sharedBanksMissingText();                                                  \
  } while (0)
