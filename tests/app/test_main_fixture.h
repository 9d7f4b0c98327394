// The main window's tests: a module simulator process and a fixture that runs the
// tester's windows against it, with the configuration in a temporary folder and
// message boxes collected instead of shown.
#pragma once

#include "app/uTesterApplication.h"
#include "app/uTesterLanguage.h"
#include "app/ufMain.h"
#include "tests/support/child_processes.h"
#include "tests/support/pump_until.h"
#include "tests/support/session_requests.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the tester's windows with the configuration folder of the test.
    void OpenWindows();
    void CloseWindows();
    TfrmMain& Main() const { return Windows->Main(); }
    // The test's own request to the module, on the window's session: its result.
    bool Module(std::function<bool(IValdrix&)> call) const { return OnSessionWorker(Main().Session(), std::move(call)); }

    template <class T>
    T* Find(const QString& name) const
    {
        T* control = Main().findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    QString StatusText() const;
    QColor StatusColour() const;
    QString Text(const QString& fieldName) const;

    // Presses the button, then answers the connection dialog with this string once it
    // shows (confirmed, or cancelled when `confirm` is false).
    void ConfirmDialogWith(const std::string& connection, const QString& button, bool confirm = true);
    // Connects the main link and waits for one full rotation of the polling.
    void ConnectTo(const std::string& connection);
    // Waits until every group of the I/O panel was polled after this call.
    void WaitRotation();
    // Clicks the button and waits until the action it asked for has reported its end.
    void Click(const QString& buttonName);
    // Waits until every action asked of the window's session has reported its end.
    void WaitActions();
    // With "Znovu připojit" checked, connects, loses the module with `lose`, waits for
    // two attempts to reopen the link, restores the module with `restore` and expects
    // the polling to come back by itself.
    void ExpectReconnectAcross(const std::string& connection, const std::function<void()>& lose,
                               const std::function<void()>& restore);

    QTemporaryDir ConfigDir;
    QString ProgramFolder;
    QString UserFolder;
    std::unique_ptr<TTesterWindows> Windows;
    QStringList Messages;
};

// The same windows in each language: the language is installed before the windows are
// made, and Czech again after the test.
class MainWindowLanguageTest : public MainWindowTest, public testing::WithParamInterface<TTesterLanguage> {
protected:
    void SetUp() override;
    void TearDown() override;
    // The Czech or the English text, as the test's language asks.
    QString InLanguage(const char* czech, const char* english) const;
};
