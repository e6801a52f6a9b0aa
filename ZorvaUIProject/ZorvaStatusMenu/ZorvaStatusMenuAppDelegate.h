#pragma once

class QWidget;

// The application delegate. The status item has no window and nothing to do when
// launching has finished: the controller's start-up sequence does all of it.
class ZorvaStatusMenuAppDelegate {
public:
    void applicationDidFinishLaunching() {}

    QWidget* window = nullptr; // not owned; the application has none
};
