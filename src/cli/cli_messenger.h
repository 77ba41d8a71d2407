#pragma once
// Questions and messages on a terminal. Warnings go to standard error at once;
// information waits for the end of the command, which sends it to standard output
// on success and to standard error on failure. Every question is answered by the
// command itself (its implied confirmations) or by --yes, and printed on standard
// error with the answer taken.

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/messenger.h"

namespace tarvo::cli {

class CliMessenger : public Messenger {
public:
    CliMessenger(bool yesToAll, std::set<std::string> impliedYes);
    Answer show(const Message& message) override;

    // Prints the information held back: to stdout when the command succeeded,
    // to stderr when it failed (or when standard output carries only results).
    void finish(bool succeeded, bool informationToStdout = true);

    // Every message shown so far, in order (to decide the command's outcome).
    const std::vector<Message>& shown() const { return shown_; }
    bool anyWarningShown() const;
    bool wasShown(const std::string& text) const;

private:
    bool yes_;
    std::set<std::string> impliedYes_;
    std::vector<Message> shown_;
    std::vector<std::string> pending_;
};

}  // namespace tarvo::cli
