#pragma once

// Runs faceloom-pack on packs made in a temp folder, with a temp folder of its own as TMPDIR
// so that tests can see whether its throwaway storage is gone afterwards.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "program_runner.h"
#include "support/temp_dir.h"

namespace faceloom::test {

class CliTest : public ::testing::Test {
protected:
    ProgramResult Run(const std::vector<std::string>& args) { return RunPack(args, Env()); }
    // The user's data folder is the test's own too: the folder locks and the identity the
    // program's saves share live there.
    EnvOverrides Env() const {
        return {{"TMPDIR", programTemp_.path().string()}, {"XDG_DATA_HOME", userData_.path().string()}};
    }

    // A folder for a pack (created), without trailing separator.
    std::string PackFolder(const std::string& name);

    // Names left in the program's temp folder.
    std::vector<std::string> LeftInTemp() const;

    const TempDir& ProgramTemp() const { return programTemp_; }
    const TempDir& Work() const { return work_; }
    // The program's per-user data folder (XDG_DATA_HOME).
    const TempDir& UserData() const { return userData_; }

private:
    TempDir programTemp_;
    TempDir userData_;
    TempDir work_;
};

// Every file under folder (relative path -> bytes), for "nothing changed" assertions.
std::map<std::string, std::string> Snapshot(const std::string& folder);

// "usage error" lines as the program prints them.
std::string UsageErrorText(const std::string& command, const std::string& message);

}  // namespace faceloom::test
