// The tester's application object and its windows.
#pragma once

#include "app/uConfigFile.h"
#include "app/uLogCaptureTools.h"

#include <QApplication>

#include <memory>

class TfCiLog;
class TfConnectionDialog;
class TfrmMain;

// An application object that shows an exception escaping an event handler to the user
// (as a message box) instead of ending the program.
class TTesterApplication : public QApplication {
public:
    TTesterApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Names the application "Valdrix Tester" for its message boxes. The name is not set
    // as the display name: the desktop would append that to every window's title.
    static void SetIdentity();
};

// The windows of a running tester, created in the order main window, log window,
// connection dialog, and destroyed in the reverse order. The main window writes the
// configuration when it is destroyed.
class TTesterWindows {
public:
    explicit TTesterWindows(TConfigFile config);
    ~TTesterWindows();
    TTesterWindows(const TTesterWindows&) = delete;
    TTesterWindows& operator=(const TTesterWindows&) = delete;

    TfrmMain& Main() const { return *FMain; }
    TfCiLog& Log() const { return *FLog; }
    TfConnectionDialog& ConnectionDialog() const { return *FDialog; }

private:
    std::unique_ptr<TfrmMain> FMain;
    TLogCaptureTools FLogTools;
    std::unique_ptr<TfCiLog> FLog;
    std::unique_ptr<TfConnectionDialog> FDialog;
};

// Shows the protocol layer's messages for the user in modal message boxes, on the main
// thread and outside the request that raised them.
void InstallTarvelUserMessages();
