#pragma once

#include "board/MessageReporter.h"

class QWidget;

// Shows the board store's failures in a message box with an OK button and
// an exclamation icon.
class MessageBoxReporter : public MessageReporter
{
public:
    explicit MessageBoxReporter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(std::string_view text) override;

private:
    QWidget* parent_;
};
