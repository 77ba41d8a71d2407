#include "cli/cli_messenger.h"

#include <algorithm>
#include <csignal>

#include "cli/cli_session.h"
#include "link/engine_messages.h"

namespace tarvo::cli {

namespace {

bool isPortServiceMessage(const std::string& text) {
    return std::find(kPortServiceMessages.begin(), kPortServiceMessages.end(), text) !=
           kPortServiceMessages.end();
}

}  // namespace

CliMessenger::CliMessenger(bool yesToAll, std::set<std::string> impliedYes,
                           bool informationToStderr)
    : yes_(yesToAll), informationToStderr_(informationToStderr),
      impliedYes_(std::move(impliedYes)) {}

Answer CliMessenger::show(const Message& m) {
    shown_.push_back(m);
    // Message texts use CR between lines, as message boxes do; a terminal wants LF.
    std::string text = m.text;
    std::replace(text.begin(), text.end(), '\r', '\n');
    if (m.buttons != MessageButtons::Ok) {
        const Answer answer = (yes_ || impliedYes_.count(m.text)) ? Answer::Yes : Answer::No;
        std::fprintf(stderr, "%s [%s]\n", text.c_str(), answer == Answer::Yes ? "Yes" : "No");
        if (answer == Answer::Yes) answeredYes_.push_back(m.text);
        return answer;
    }
    if (m.icon == MessageIcon::Warning || m.icon == MessageIcon::Critical ||
        informationToStderr_ || isPortServiceMessage(m.text)) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        pending_.push_back(text);
    }
    return Answer::Ok;
}

void CliMessenger::finish(bool succeeded, bool informationToStdout) {
    FILE* to = succeeded && informationToStdout ? stdout : stderr;
    for (const auto& text : pending_) std::fprintf(to, "%s\n", text.c_str());
    pending_.clear();
    // A command cut short by SIGINT or SIGTERM says so rather than ending in silence.
    if (const int signal = stopSignal(); !succeeded && signal != 0) {
        std::fprintf(stderr, "tarvo-cli: interrupted by %s; the command did not finish\n",
                     signal == SIGINT ? "SIGINT" : "SIGTERM");
    }
    std::fflush(stdout);
    std::fflush(stderr);
}

bool CliMessenger::anyWarningShown() const {
    return std::any_of(shown_.begin(), shown_.end(), [](const Message& m) {
        return m.buttons == MessageButtons::Ok &&
               (m.icon == MessageIcon::Warning || m.icon == MessageIcon::Critical);
    });
}

bool CliMessenger::wasShown(const std::string& text) const {
    return std::any_of(shown_.begin(), shown_.end(), [&](const Message& m) { return m.text == text; });
}

bool CliMessenger::answeredYes(std::string_view text) const {
    return std::find(answeredYes_.begin(), answeredYes_.end(), text) != answeredYes_.end();
}

}  // namespace tarvo::cli
