#pragma once
// Questions and messages on a terminal. Warnings and the port's own complaints go to
// standard error at once; other information waits for the end of the command, which
// sends it to standard output on success and to standard error on failure. When
// standard output carries only a result (JSON), information goes to standard error
// at once too, so that everything appears in its real order. Every question is answered by the
// command itself (its implied confirmations) or by --yes, and printed on standard
// error with the answer taken.

#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/messenger.h"

namespace tarvo::cli {

class CliMessenger : public Messenger {
public:
    CliMessenger(bool yesToAll, std::set<std::string> impliedYes,
                 bool informationToStderr = false);
    Answer show(const Message& message) override;

    // Prints the information held back: to stdout when the command succeeded,
    // to stderr when it failed (or when standard output carries only results);
    // a failure after SIGINT or SIGTERM is said to be an interruption.
    void finish(bool succeeded, bool informationToStdout = true);

    // Every message shown so far, in order (to decide the command's outcome).
    const std::vector<Message>& shown() const { return shown_; }
    bool anyWarningShown() const;
    bool wasShown(const std::string& text) const;
    // The question `text` was put and answered Yes.
    bool answeredYes(std::string_view text) const;

private:
    bool yes_;
    bool informationToStderr_;
    std::set<std::string> impliedYes_;
    std::vector<Message> shown_;
    std::vector<std::string> answeredYes_;
    std::vector<std::string> pending_;
};

}  // namespace tarvo::cli
