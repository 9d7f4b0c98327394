#include "test_main_fixture.h"

#include "app/uAppMessage.h"
#include "app/ufConnectionDialog.h"
#include "framework/uTimeoutManager.h"
#include "protocol/uTarvelUserMessage.h"
#include "transports/uTransports.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(ConfigDir.isValid());
    ProgramFolder = ConfigDir.filePath(QStringLiteral("program"));
    UserFolder = ConfigDir.filePath(QStringLiteral("user"));
    ASSERT_TRUE(QDir().mkpath(ProgramFolder));
    RegisterTransports();
    SetAppMessageHandler([this](QWidget*, const QString& text) { Messages << text; });
    SetTarvelUserMessageHandler([this](const std::string& text) { Messages << QString::fromStdString(text); });
}

void MainWindowTest::TearDown()
{
    CloseWindows();
    SetTarvelUserMessageHandler(nullptr);
    SetAppMessageHandler(nullptr);
    UnregisterTransports();
}

void MainWindowLanguageTest::SetUp()
{
    MainWindowTest::SetUp();
    InstallTesterLanguage(GetParam());
}

void MainWindowLanguageTest::TearDown()
{
    MainWindowTest::TearDown();
    InstallTesterLanguage(TTesterLanguage::Czech);
}

QString MainWindowLanguageTest::InLanguage(const char* czech, const char* english) const
{
    return QString::fromUtf8(GetParam() == TTesterLanguage::English ? english : czech);
}

void MainWindowTest::OpenWindows()
{
    Windows = std::make_unique<TTesterWindows>(TConfigFile(ProgramFolder, UserFolder));
    Main().show();
}

void MainWindowTest::CloseWindows() { Windows.reset(); }

QString MainWindowTest::StatusText() const { return Main().findChild<QLabel*>(QStringLiteral("pnlStatusBar"))->text(); }

QColor MainWindowTest::StatusColour() const
{
    return Main().findChild<QLabel*>(QStringLiteral("pnlStatusBar"))->palette().color(QPalette::WindowText);
}

QString MainWindowTest::Text(const QString& fieldName) const
{
    const QLineEdit* field = Main().findChild<QLineEdit*>(fieldName);
    return field ? field->text() : QStringLiteral("<no %1>").arg(fieldName);
}

void MainWindowTest::ConfirmDialogWith(const std::string& connection, const QString& button, bool confirm)
{
    TfConnectionDialog* dialog = &Windows->ConnectionDialog();
    // The dialog runs the event loop before it shows (the port scan): wait for it to show.
    // The port list holds what the last scan found: a port that came up since then is
    // listed after "Obnovit", as a technician would press it, once the background scan
    // has reached it (the dialog would otherwise select the nearest listed port below).
    auto* answer = new QTimer(dialog);
    answer->setInterval(10);
    constexpr int ListWaitTicks = 300; // 3 s
    auto ticksLeft = std::make_shared<int>(ListWaitTicks);
    QObject::connect(answer, &QTimer::timeout, dialog, [dialog, answer, connection, confirm, ticksLeft] {
        if (!dialog->isVisible()) return;
        dialog->Load(connection);
        if (dialog->Compose() != connection && --*ticksLeft > 0) {
            if (*ticksLeft == ListWaitTicks - 1) dialog->findChild<QPushButton*>(QStringLiteral("bCOMRefresh"))->click();
            return;
        }
        answer->deleteLater();
        answer->stop();
        if (confirm)
            dialog->accept();
        else
            dialog->reject();
    });
    answer->start();
    Click(button);
}

void MainWindowTest::ConnectTo(const std::string& connection)
{
    ConfirmDialogWith(connection, QStringLiteral("btnConnect"));
    ASSERT_TRUE(Main().Connected()) << StatusText().toStdString();
    WaitRotation();
}

void MainWindowTest::WaitRotation()
{
    // A blanked field is written again by the next poll of its group: analog inputs
    // (step 0), counters (step 3), thermometers (step 4). The analog inputs and then the
    // counters written once more mean steps 1 and 2 (the lamps) ran between them.
    const auto waitRewritten = [&](const QStringList& names) {
        for (const QString& name : names) Find<QLineEdit>(name)->clear();
        return PumpUntil([&] {
            for (const QString& name : names)
                if (Text(name).isEmpty()) return false;
            return true;
        });
    };
    ASSERT_TRUE(waitRewritten({QStringLiteral("edtAD1RawValue"), QStringLiteral("edtDI1Counter"),
                               QStringLiteral("edtTemp1")}));
    ASSERT_TRUE(waitRewritten({QStringLiteral("edtAD1RawValue")}));
    ASSERT_TRUE(waitRewritten({QStringLiteral("edtDI1Counter")}));
}

void MainWindowTest::ExpectReconnectAcross(const std::string& connection, const std::function<void()>& lose,
                                           const std::function<void()>& restore)
{
    Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(true);
    ConnectTo(connection);
    QStringList shown;
    const auto record = [&] {
        if (shown.isEmpty() || shown.back() != StatusText()) shown << StatusText();
    };
    lose();
    ASSERT_TRUE(PumpUntil(
        [&] {
            record();
            return StatusText().startsWith(QStringLiteral("Znovu připojuji… pokus 2 se nezdařil"));
        },
        std::chrono::seconds(30)))
        << shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_FALSE(Main().Connected());
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnDisconnect"))->isEnabled());
    restore();
    const auto restored = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil(
        [&] {
            record();
            return Main().Connected();
        },
        std::chrono::seconds(30)))
        << shown.join(QStringLiteral(" | ")).toStdString();
    std::printf("polling resumed %lld ms after the module came back\n",
                (long long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                  restored)
                    .count());
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo znovu navázáno."));
    EXPECT_EQ(StatusColour(), QColor(0x00, 0x80, 0x00));
    EXPECT_FALSE(Main().Reconnecting());
    WaitRotation();
    EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
    // The loss was told as before, then every attempt, with the reason of a failed one
    // when the transport gives it.
    ASSERT_GE(shown.size(), 4) << shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(shown[0], QStringLiteral("Spojení bylo úspěšně navázáno."));
    EXPECT_EQ(shown[1], QStringLiteral("Chyba komunikace"));
    EXPECT_TRUE(shown[2].startsWith(QStringLiteral("Znovu připojuji… pokus 1"))) << shown[2].toStdString();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QStringLiteral("; ")).toStdString();
}

void MainWindowTest::Click(const QString& buttonName)
{
    QPushButton* button = Find<QPushButton>(buttonName);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << buttonName.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
    WaitActions();
}

void MainWindowTest::WaitActions()
{
    // The window's session runs the actions on its own thread: wait for their reports.
    ASSERT_TRUE(PumpUntil([&] { return !Main().ActionRunning(); }, std::chrono::seconds(30)));
}
