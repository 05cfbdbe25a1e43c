#pragma once

#include <functional>

class QDialog;

// Runs the program's modal windows; one with a parent is modal to its
// parent's window only. Tests install a hook that plays the user's part
// instead of a nested event loop waiting for input.
class ModalRunner
{
public:
    using Hook = std::function<int(QDialog& dialog)>;

    static int Run(QDialog& dialog);
    // An empty hook restores the real modal loop.
    static void SetHook(Hook hook);
};
