#pragma once
// Opening web pages, mail links and files through the desktop, and the one
// place where a handler's failure becomes a message box. Both platform calls
// go through replaceable functions so that tests can see what would happen.
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// Hands a web address, mailto: link or file to the desktop's opener. Never
// reports a failure.
void ShellOpen(const QString& target);
// Opens a file the program has just written, its name taken exactly as typed
// (blanks kept, a relative name found in the current folder).
void ShellOpenWrittenFile(const QString& fileName);
void OpenHelpPage();
void OpenHomePage();
void OpenSupportMail();
void OpenProductsPage();

// Test seams: what opens a URL and what shows a message. Passing an empty
// function restores the real one.
using UrlOpener = std::function<void(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);
using MessageShower = std::function<void(QWidget* parent, const QString& text)>;
void SetMessageShower(MessageShower shower);

// Shows a plain message box (no icon) with the program's title and OK.
void ShowMessage(QWidget* parent, const QString& text);
// Shows an information box with its own caption.
void ShowNotice(QWidget* parent, const QString& caption, const QString& text);

// How long a progress dialog waits before it shows: `usual` milliseconds, or
// what a test has set (a negative value restores the usual delays).
int ProgressShowDelay(int usual);
void SetProgressShowDelay(int milliseconds);

// Runs a handler's work; whatever it throws is shown as an error message and the
// program goes on. Every action and slot runs through this, so no exception
// ever crosses Qt's event dispatch.
void RunGuarded(QWidget* parent, const std::function<void()>& work);
