#pragma once

#include <QStringList>

#include <optional>

// What the window is asked for on the command line:
//   q5-crash-inbox [--database URL] [--theme dark|light|system] [--report-stalls] [open [FILE...]]
// Options come before "open"; after it every word is a file, but for --help.
struct WindowCommandLine {
    QString databaseText;
    QString themeName;
    QStringList files;
    bool reportStalls = false;
    bool help = false;
    QString error; // a usage error in the words after "open"

    // None when the words are not the window's: another command, an option of the commands', an
    // option without its value. Those are the command line's to run or refuse.
    static std::optional<WindowCommandLine> parse(const QStringList& arguments);
};
