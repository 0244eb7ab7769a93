// Where the real bank files of the shared test data lie (without GoogleTest, for the benchmarks too).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvidtest
{

// The shared data folder: $KORVID_SHARED_DATA when set and not empty, else the folder "shared/data" beside
// the repository (where CI puts it).
inline std::string sharedDataFolder()
{
  const char* env = std::getenv("KORVID_SHARED_DATA");
  if (env && *env)
    return env;
  return KORVID_SHARED_DATA_DIR;
}

// Its "banks" folder with the real factory, init and easter banks.
inline std::string sharedBanksFolder()
{
  return sharedDataFolder() + "/banks";
}

// One bank file of it by name ("factory-2008.syx").
inline std::string sharedBankFile(const std::string& name)
{
  return sharedBanksFolder() + "/" + name;
}

inline bool haveSharedBanks()
{
  std::error_code error;
  return std::filesystem::is_regular_file(sharedBankFile("factory-2008.syx"), error);
}

inline std::string sharedBanksMissingText()
{
  return "the real banks are not in " + sharedBanksFolder() +
         " (put the shared data folder beside the repository or set KORVID_SHARED_DATA)";
}

} // namespace korvidtest
