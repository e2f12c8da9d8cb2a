#pragma once
// Opening a web address, mail link or file through the desktop.
//
// Until the shell helpers of the main window (app/uiShell.h) are joined in,
// this header carries the one entry point the browse, search and about
// windows use. Tests replace the opener through ShellOpenSeam() to see what
// would have been opened.
#include <QString>
#include <functional>

// Hands `target` to the desktop's "open" operation; never reports a failure.
void ShellOpen(const QString& target, const QString& params);

using ShellOpener = std::function<void(const QString& target, const QString& params)>;
// The opener ShellOpen calls; empty means the desktop's own.
ShellOpener& ShellOpenSeam();
