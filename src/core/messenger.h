#pragma once
// The questions and messages the program puts to the operator. The window shows
// them as message boxes, the command line prints them, the tests script the answers.

#include <string>

namespace tarvo {

enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct Message {
    std::string text;
    std::string title;  // empty: the program's title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class Messenger {
public:
    virtual ~Messenger() = default;
    // Shows the message and returns the operator's answer (Ok for a plain message).
    virtual Answer show(const Message& message) = 0;

    void inform(std::string text, std::string title = {}, MessageIcon icon = MessageIcon::None) {
        show({std::move(text), std::move(title), icon, MessageButtons::Ok});
    }
    Answer ask(std::string text, std::string title, MessageButtons buttons = MessageButtons::YesNo) {
        return show({std::move(text), std::move(title), MessageIcon::Question, buttons});
    }
};

}  // namespace tarvo
