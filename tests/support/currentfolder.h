#pragma once

#include <QDir>
#include <QTemporaryDir>

// A fresh temporary folder made the current folder for as long as the object
// lives, for code that reads and writes mondai.txt where it stands. On
// destruction the folder that was current before is current again, and the
// temporary folder goes with everything in it.
class TemporaryCurrentFolder {
public:
    TemporaryCurrentFolder() : previous_(QDir::currentPath())
    {
        entered_ = folder_.isValid() && QDir::setCurrent(folder_.path());
    }
    ~TemporaryCurrentFolder() { QDir::setCurrent(previous_); }
    TemporaryCurrentFolder(const TemporaryCurrentFolder&) = delete;
    TemporaryCurrentFolder& operator=(const TemporaryCurrentFolder&) = delete;

    // False when the folder could not be made, or not entered.
    bool isValid() const { return entered_; }
    QString path() const { return folder_.path(); }

private:
    QString previous_;
    QTemporaryDir folder_;
    bool entered_ = false;
};
