#pragma once

#include "ui/MessageBoxService.h"

#include <string>
#include <vector>

// Answers every message box for the member while it lives and keeps what was
// asked: a Yes/No question gets `answer`, any other box OK.
class RecordedBoxes
{
public:
    RecordedBoxes()
    {
        MessageBoxService::SetResponder([this](const MessageBoxService::Request& request) {
            requests.push_back(request);
            return request.buttons == MessageBoxService::Buttons::YesNo ? answer : MessageBoxService::AnswerOk;
        });
    }
    ~RecordedBoxes() { MessageBoxService::SetResponder({}); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const MessageBoxService::Request& request : requests)
            texts.push_back(request.text.toStdString());
        return texts;
    }

    std::vector<MessageBoxService::Request> requests;
    MessageBoxService::Answer answer = MessageBoxService::AnswerNo;
};
