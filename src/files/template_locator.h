#pragma once
// Finds the template database FileMode/default.mdb that every new database file is
// copied from. It ships beside the program (build/bin/FileMode in a build tree) and is
// installed under share/tarvo/FileMode.

#include <filesystem>
#include <optional>
#include <vector>

namespace tarvo {

class TemplateLocator {
public:
    // With an override only that file is looked at (tests, or a program given a
    // template of its own); without one, the places below.
    explicit TemplateLocator(std::filesystem::path overridePath = {});

    // The places looked at, in order: <program folder>/FileMode/default.mdb, then
    // <program folder>/../share/tarvo/FileMode/default.mdb.
    std::vector<std::filesystem::path> candidates() const;

    // The first candidate that is a regular file now; nothing when there is none.
    std::optional<std::filesystem::path> find() const;

    // The path the missing-template message names: the override, or the place beside
    // the program.
    std::filesystem::path expectedPath() const;

private:
    std::filesystem::path override_;
};

// The folder of the running executable; empty when the system does not tell.
std::filesystem::path executableFolder();

}  // namespace tarvo
