// Success, or the reason for a failure: what file access, argument parsing and patch building
// hand back to the code that reports errors.
#pragma once

#include <QString>

#include <utility>

// On failure, error holds the reason in words a user can act on ("No such file or directory",
// "it is a directory", "the file is 4 bytes long, ..."); the caller adds the file's name and
// what it was doing.
struct Status
{
    bool ok = true;
    QString error;

    explicit operator bool() const { return ok; }
    static Status failure(QString reason) { return Status { false, std::move(reason) }; }
};
