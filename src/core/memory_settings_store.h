#pragma once
// A settings store held in memory: the store of the tests and of any run that must
// leave the user's own store alone. Section names compare without regard to ASCII
// case, keys exactly, as in the platform store.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/settings.h"

namespace tarvo {

class MemorySettingsStore : public SettingsStore {
public:
    // One write as it was asked for: section (as spelled by the writer), key, value.
    using Write = std::tuple<std::string, std::string, std::string>;

    std::optional<std::string> read(std::string_view section, std::string_view key) const override;
    void write(std::string_view section, std::string_view key, std::string_view value) override;

    // Every write since construction or the last clearWrites(), in order.
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    // Number of distinct (section, key) entries held.
    std::size_t size() const { return values_.size(); }

    // A store kept nowhere commits at once; told to, it fails as a full disk would.
    bool commit() override { return !failCommits; }
    bool failCommits = false;

private:
    // Keyed by (section folded to lower case, key).
    std::map<std::pair<std::string, std::string>, std::string> values_;
    std::vector<Write> writes_;
};

}  // namespace tarvo
