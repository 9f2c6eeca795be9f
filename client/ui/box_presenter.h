// Who answers the window's own message boxes: the program runs each one
// modally for the user; a test hands the window a presenter that reads and
// answers the box instead.
#pragma once

class QMessageBox;

class BoxPresenter {
public:
    virtual void Present(QMessageBox& box) = 0;

protected:
    ~BoxPresenter() = default;
};

// Runs the box until the user answers it; where nobody could (see below)
// it is not run.
BoxPresenter& ModalBoxPresenter();

// True on the offscreen and minimal platforms: a box shown there would wait
// for ever. What such a box says also goes to standard error.
bool NobodyCanAnswerBoxes();
