// The main window without a module: controls and captions, enabled states, the date's
// appearance, the About box and Config.xml.
#include "test_main_fixture.h"

#include "app/uAppClock.h"
#include "app/uConfigFile.h"
#include "app/station/ufStation.h"
#include "app/ufAbout.h"
#include "app/ufConnectionDialog.h"
#include "controls/ShapeEx.h"
#include "framework/gui/ufCILog.h"
#include "framework/uExceptions.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineF>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTabWidget>
#include <QToolButton>

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs with the desktop's date set to the given day.
class TClockOverride {
public:
    explicit TClockOverride(QDate day) { FPrevious = SetAppClock([day] { return QDateTime(day, QTime(9, 30)); }); }
    ~TClockOverride() { SetAppClock(FPrevious); }

private:
    TAppClock FPrevious;
};

} // namespace

TEST_F(MainWindowTest, WindowHasItsCaptionSizeAndNamedControls)
{
    OpenWindows();
    EXPECT_EQ(Main().windowTitle(), QStringLiteral("Valdrix Tester"));
    EXPECT_EQ(Main().size(), QSize(873, 743));
    EXPECT_EQ(Main().minimumSize(), Main().maximumSize());

    const std::vector<std::pair<const char*, const char*>> buttons = {
        {"btnConnect", "Připojit"}, {"btnDisconnect", "Odpojit"}, {"btnClose", "Zavřít"}, {"btnLog", "Log"},
        {"btnOSetFirst", "Sepnout první vstup"}, {"btnOSetNext", "Sepnout další vstup"},
        {"btnAD3Set", "Nastavit"}, {"btnAD4Calibration", "Kalibrace"}, {"btnADGetInputRange", "Načíst rozsahy vstupů"},
        {"btnDA1Low", "Zadat 0 V"}, {"Button2", "Zadat 0 V"}, {"btnDA3Low", "Zadat 0 mA"}, {"btnDA2High", "Zadat 10 V"},
        {"btnDA4High", "Zadat 20 mA"}, {"btnDA3Test", "Test"}, {"btnRS485Info", "Poslat Info"},
        {"btnRS485Connect", "Připojit"}, {"btnRS485Disconnect", "Odpojit"}, {"btnRS485Log", "Log"},
        {"Button3", "Nahrat ze zařízení"}, {"Button4", "Nastavit podle PC"}};
    for (const auto& [name, caption] : buttons) {
        if (auto* button = Find<QPushButton>(QString::fromUtf8(name))) {
            EXPECT_EQ(button->text(), QString::fromUtf8(caption)) << name;
        }
    }

    QStringList titles;
    for (const QGroupBox* group : Main().findChildren<QGroupBox*>()) titles << group->title();
    for (const char* title : {"Analogové vstupy - kalibrace", "Analogové výtupy - kalibrace", "Digitální vstupy / výstupy",
                              "Teploměry", "Datum a čas", "RS485"})
        EXPECT_TRUE(titles.contains(QString::fromUtf8(title))) << title;
    EXPECT_EQ(Find<QGroupBox>(QStringLiteral("btnDA2Low"))->title(), QStringLiteral("Analogové výtupy - kalibrace"));

    for (int n = 1; n <= 16; ++n) {
        Find<TShapeEx>(QStringLiteral("shpxDI%1").arg(n));
        EXPECT_EQ(Text(QStringLiteral("edtDI%1Counter").arg(n)), QStringLiteral("-"));
    }
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(Find<TShapeEx>(QStringLiteral("shpxDO%1").arg(n))->Tag(), n);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(Find<QLabel>(QStringLiteral("pnlDA%1Raw").arg(n))->text(), QStringLiteral("-"));
        auto* range = Find<QComboBox>(QStringLiteral("cbbAD%1InputRange").arg(n));
        ASSERT_EQ(range->count(), 3);
        EXPECT_EQ(range->itemText(2), QStringLiteral("4 - 20 mA"));
        // The module's range is not known until it is read.
        EXPECT_EQ(range->currentIndex(), -1);
        EXPECT_EQ(range->placeholderText(), QStringLiteral("?"));
        Find<QLineEdit>(QStringLiteral("edtTemp%1").arg(n));
    }
    auto* address = Find<QComboBox>(QStringLiteral("cbbRS485Address"));
    EXPECT_EQ(address->count(), 254);
    EXPECT_EQ(address->currentIndex(), 50);
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblAboutCaption1"))->text(), QStringLiteral("o"));
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblAboutCaption2"))->text(), QStringLiteral("Programu"));
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblValdrixCaption1"))->text() +
                  Find<QLabel>(QStringLiteral("lblValdrixCaption2"))->text(),
              QStringLiteral("Valdrix"));
}

TEST_F(MainWindowTest, EveryWindowCarriesExactlyItsOwnTitle)
{
    const QString testName = QCoreApplication::applicationName();
    TTesterApplication::SetIdentity();
    OpenWindows();
    const std::vector<std::pair<QWidget*, const char*>> windows = {
        {&Main(), "Valdrix Tester"},
        {&Windows->Log(), "Komunikační log"},
        {&Windows->ConnectionDialog(), "Nastavení připojení"},
        {Main().AboutBox(), "Valdrix Tester"}};
    for (const auto& [window, title] : windows) {
        EXPECT_TRUE(window->isWindow()) << title;
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(title));
    }
    // Message boxes carry the program's name.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Valdrix Tester"));
    // A display name set on its own is appended by the desktop to every window's title
    // ("Komunikační log — Valdrix Tester"); an unset one follows the application name.
    QCoreApplication::setApplicationName(QStringLiteral("renamed"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("renamed"));
    QCoreApplication::setApplicationName(testName);
}

namespace {

// The pixels a lamp's number adds to the lamp.
QRegion CaptionInk(TShapeEx* lamp)
{
    const auto picture = [lamp] {
        QImage image(lamp->size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        lamp->render(&image);
        return image;
    };
    const QImage withNumber = picture();
    const QString caption = lamp->Caption();
    lamp->SetCaption(QString());
    const QImage without = picture();
    lamp->SetCaption(caption);
    QRegion ink;
    for (int y = 0; y < withNumber.height(); ++y)
        for (int x = 0; x < withNumber.width(); ++x)
            if (withNumber.pixel(x, y) != without.pixel(x, y)) ink += QRect(x, y, 1, 1);
    return ink;
}

} // namespace

TEST_F(MainWindowTest, LampsAreCirclesWithTheirNumbersInside)
{
    OpenWindows();
    int lamps = 0;
    for (TShapeEx* lamp : Main().findChildren<TShapeEx*>(QRegularExpression(QStringLiteral("^shpxD[IO]\\d+$")))) {
        ++lamps;
        EXPECT_EQ(lamp->Shape(), stCircle) << lamp->objectName().toStdString();
        const QRect circle = TShapeEx::DrawingBox(lamp->size(), lamp->Pen().width(), stCircle);
        const QPointF centre = QRectF(circle).center();
        const double inside = circle.width() / 2.0 - lamp->Pen().width();
        const QRegion ink = CaptionInk(lamp);
        EXPECT_GE(ink.boundingRect().height(), 7) << lamp->objectName().toStdString();
        for (const QRect& pixel : ink) {
            for (const QPointF corner : {QRectF(pixel).topLeft(), QRectF(pixel).topRight(), QRectF(pixel).bottomLeft(),
                                         QRectF(pixel).bottomRight()})
                EXPECT_LE(QLineF(centre, corner).length(), inside) << lamp->objectName().toStdString();
        }
    }
    EXPECT_EQ(lamps, 26);
}

namespace {

// Every caption of the window is wider than its text, and every control lies inside its parent.
void ExpectCaptionsFit(const QWidget& window)
{
    const std::string name = window.windowTitle().toStdString() + ": ";
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
            << name << label->text().toStdString();
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&window) || button->text().isEmpty()) continue;
        if (qobject_cast<const QPushButton*>(button))
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
                << name << button->text().toStdString();
        else
            EXPECT_LE(button->sizeHint().width(), button->width()) << name << button->text().toStdString();
    }
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QWidget* parent = control->parentWidget();
        if (control->isWindow() || !control->isVisibleTo(&window) || !parent) continue;
        if (parent->isWindow() && parent != &window) continue;
        EXPECT_TRUE(parent->rect().contains(control->geometry())) << name << control->objectName().toStdString();
    }
}

} // namespace

// The tests of the windows in each language (here and in test_main_language.cpp).
INSTANTIATE_TEST_SUITE_P(Languages, MainWindowLanguageTest,
                         testing::Values(TTesterLanguage::Czech, TTesterLanguage::English),
                         [](const testing::TestParamInfo<TTesterLanguage>& info) {
                             return LanguageCode(info.param).toStdString();
                         });

TEST_P(MainWindowLanguageTest, EveryCaptionFitsItsControl)
{
    OpenWindows();
    ExpectCaptionsFit(Main());
    Main().AboutBox()->show();
    ExpectCaptionsFit(*Main().AboutBox());
    Main().AboutBox()->hide();
    // The connection dialog in expert mode, with all its panels.
    TfConnectionDialog& dialog = Windows->ConnectionDialog();
    dialog.show();
    auto* expert = dialog.findChild<QToolButton*>(QStringLiteral("sbExpertMode"));
    ASSERT_NE(expert, nullptr);
    if (!expert->isChecked()) expert->click();
    QCoreApplication::processEvents();
    ExpectCaptionsFit(dialog);
    dialog.hide();
    // The station window, once each of its pages has been shown (and laid out).
    Main().btnStationClick();
    TfStation& station = *Main().StationWindow();
    station.show();
    auto* pages = station.findChild<QTabWidget*>(QStringLiteral("tabPages"));
    ASSERT_NE(pages, nullptr);
    for (int page = pages->count() - 1; page >= 0; --page) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
    }
    ExpectCaptionsFit(station);
}

TEST_F(MainWindowTest, DisconnectedWindowDisablesAllButLogoAboutAndConnect)
{
    OpenWindows();
    EXPECT_FALSE(Main().Connected());
    for (const char* name : {"btnAD1Set", "btnADGetInputRange", "btnRS485Info", "btnRS485Connect", "Button3",
                             "btnDisconnect", "btnLog", "btnRS485Disconnect", "btnRS485Log"})
        EXPECT_FALSE(Find<QPushButton>(QString::fromUtf8(name))->isEnabled()) << name;
    EXPECT_FALSE(Find<TShapeEx>(QStringLiteral("shpxDO1"))->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnConnect"))->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnClose"))->isEnabled());
    for (const char* name : {"lblValdrixCaption1", "lblValdrixCaption2", "lblAboutCaption1", "lblAboutCaption2"})
        EXPECT_TRUE(Find<QLabel>(QString::fromUtf8(name))->isEnabled()) << name;
    EXPECT_TRUE(Find<TShapeEx>(QStringLiteral("shpxAbout"))->isEnabled());

    // The handlers behind disabled buttons do nothing harmful without a link.
    Main().btnLogClick();
    Main().btnRS485InfoClick();
    WaitActions();
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")), QString());
    Main().Button3Click();
    WaitActions();
    EXPECT_EQ(Text(QStringLiteral("Edit5")), QStringLiteral("???"));
}

TEST_F(MainWindowTest, FirstFridayOfTheMonthMirrorsTheLayout)
{
    const QRect closeNormal = [&] {
        OpenWindows();
        const QRect r = Find<QPushButton>(QStringLiteral("btnClose"))->geometry();
        CloseWindows();
        return r;
    }();
    const QRect groupNormal = QRect(436, 6, 429, 262);
    TClockOverride friday(QDate(2026, 12, 4));
    OpenWindows();
    const QRect closeMirrored = Find<QPushButton>(QStringLiteral("btnClose"))->geometry();
    EXPECT_EQ(closeMirrored.x(), 873 - closeNormal.width() - closeNormal.x());
    EXPECT_EQ(closeMirrored.y(), closeNormal.y());
    const QRect group = Find<QGroupBox>(QStringLiteral("gbDigital"))->geometry();
    EXPECT_EQ(group.x(), 873 - groupNormal.width() - groupNormal.x());
    // Grandchildren keep their place in their parent.
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("btnOSetFirst"))->x(), 286);
}

TEST_F(MainWindowTest, DateChangesOnlyOnTheirDays)
{
    {
        TClockOverride secondFriday(QDate(2026, 12, 11));
        OpenWindows();
        EXPECT_EQ(Find<QPushButton>(QStringLiteral("btnClose"))->x(), 873 - 108);
        EXPECT_EQ(Find<QLabel>(QStringLiteral("lblValdrixCaption1"))->palette().color(QPalette::WindowText),
                  QColor(0x00, 0x80, 0xFF));
        CloseWindows();
    }
    TClockOverride thirdWednesday(QDate(2026, 12, 16));
    OpenWindows();
    for (const char* name : {"lblValdrixCaption1", "lblAboutCaption1"})
        EXPECT_EQ(Find<QLabel>(QString::fromUtf8(name))->palette().color(QPalette::WindowText), QColor(0xFF, 0x60, 0x00))
            << name;
}

TEST_F(MainWindowTest, AboutLinkShowsTheAboutBoxModally)
{
    OpenWindows();
    QString caption, version;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        TfAbout* about = Main().AboutBox();
        modal = about->isVisible() && about->isModal();
        caption = about->windowTitle();
        version = about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text();
        about->accept();
    });
    QTest::mouseClick(Find<QLabel>(QStringLiteral("lblAboutCaption2")), Qt::LeftButton);
    EXPECT_TRUE(modal);
    EXPECT_EQ(caption, QStringLiteral("Valdrix Tester"));
    EXPECT_EQ(version, QStringLiteral("Verze: ") + TfAbout::FormatVersion(QStringLiteral(VALDRIX_VERSION)));
    EXPECT_EQ(Main().AboutBox()->size(), QSize(457, 273));

    EXPECT_EQ(TfAbout::FormatVersion(QStringLiteral("1.0.0.1")), QStringLiteral("1.0.0.1"));
    EXPECT_EQ(TfAbout::FormatVersion(QStringLiteral("2.3")), QStringLiteral("2.3.0.0"));
}

TEST_F(MainWindowTest, StartWithoutConfigWritesANewOneAtExit)
{
    OpenWindows();
    EXPECT_EQ(Main().ConnectionString(), "");
    EXPECT_EQ(Main().RS485ConnectionString(), "");
    CloseWindows();
    const QByteArray written = ReadFile(ProgramFolder + "/Config.xml");
    EXPECT_TRUE(written.startsWith("<?xml version=\"1.0\" encoding=\"windows-1250\"?>")) << written.toStdString();
    EXPECT_TRUE(written.contains("<Root ConnectionString=\"\" RS485ConnectionString=\"\"/>")) << written.toStdString();
}

TEST_F(MainWindowTest, ConfigKeepsCzechTextAndOnlyItsTwoAttributes)
{
    WriteFile(ProgramFolder + "/Config.xml",
              QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root Extra=\"x\" "
                             "RS485ConnectionString=\"provider=TCP_CLIENT;host=Žluťoučký kůň\" "
                             "ConnectionString=\"provider=SERIAL_PORT;comport=3;baudrate=9600\"><Child/></Root>")
                  .toUtf8());
    OpenWindows();
    EXPECT_EQ(Main().ConnectionString(), "provider=SERIAL_PORT;comport=3;baudrate=9600");
    EXPECT_EQ(Main().RS485ConnectionString(), "provider=TCP_CLIENT;host=Žluťoučký kůň");
    CloseWindows();

    const QByteArray written = ReadFile(ProgramFolder + "/Config.xml");
    EXPECT_TRUE(written.contains("encoding=\"windows-1250\"")) << written.toStdString();
    EXPECT_TRUE(written.contains("host=\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2")) << "Czech text stored in windows-1250";
    EXPECT_FALSE(written.contains("Extra"));
    EXPECT_FALSE(written.contains("Child"));

    OpenWindows();
    EXPECT_EQ(Main().RS485ConnectionString(), "provider=TCP_CLIENT;host=Žluťoučký kůň");
}

TEST_F(MainWindowTest, ConfigRootOfAnyNameGivesItsAttributes)
{
    const std::vector<std::tuple<QByteArray, std::string, std::string>> cases = {
        {"<Other ConnectionString=\"a\" RS485ConnectionString=\"b\"/>", "a", "b"},
        {"<Root RS485ConnectionString=\"b\"/>", "", "b"}};
    for (const auto& [content, connection, rs485] : cases) {
        WriteFile(ProgramFolder + "/Config.xml", content);
        TConfigFile file(ProgramFolder, UserFolder);
        const TTesterConfig config = file.Load();
        EXPECT_EQ(config.ConnectionString, connection) << content.toStdString();
        EXPECT_EQ(config.RS485ConnectionString, rs485) << content.toStdString();
        EXPECT_EQ(file.LoadProblem(), QString()) << content.toStdString();
    }
}

TEST_F(MainWindowTest, UnreadableConfigIsKeptAsDamagedAndReportedAtStart)
{
    const QString path = ProgramFolder + "/Config.xml";
    for (const QByteArray& content :
         {QByteArray("<Root ConnectionString=\"a\""), QByteArray("\xFF\xFE garbage"), QByteArray(),
          QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root ConnectionString=\"\x8Elu\x9Dou\xE8k\xFD\"/>")}) {
        WriteFile(path, content);
        Messages.clear();
        OpenWindows();
        EXPECT_EQ(Main().ConnectionString(), "");
        ASSERT_EQ(Messages.size(), 1) << content.toStdString();
        EXPECT_TRUE(Messages[0].contains(QStringLiteral("nelze přečíst"))) << Messages[0].toStdString();
        EXPECT_TRUE(Messages[0].contains(QStringLiteral("Config.xml.damaged"))) << Messages[0].toStdString();
        EXPECT_EQ(ReadFile(path + ".damaged"), content);
        CloseWindows();
        EXPECT_EQ(ReadFile(path + ".damaged"), content);
        EXPECT_TRUE(ReadFile(path).contains("<Root ConnectionString=\"\"")) << "a readable file replaces it";
    }

    // A file that cannot even be copied is never replaced.
    const QByteArray damaged("<Root Conn");
    WriteFile(path, damaged);
    QFile::remove(path + ".damaged");
    ASSERT_TRUE(QDir().mkpath(path + ".damaged"));
    TConfigFile file(ProgramFolder, UserFolder);
    file.Load();
    EXPECT_TRUE(file.LoadProblem().contains(QStringLiteral("nebude přepsán"))) << file.LoadProblem().toStdString();
    EXPECT_EQ(file.Save({}), QString());
    EXPECT_THROW(file.Save({"provider=TCP_CLIENT;host=a;port=1", ""}), Exception);
    EXPECT_EQ(ReadFile(path), damaged);
}

TEST_F(MainWindowTest, ReadOnlyConfigIsLeftAlone)
{
    const QString path = ProgramFolder + "/Config.xml";
    const QByteArray content("<Root ConnectionString=\"kept\" RS485ConnectionString=\"\"/>");
    WriteFile(path, content);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    TConfigFile file(ProgramFolder, UserFolder);
    EXPECT_EQ(file.Load().ConnectionString, "kept");
    EXPECT_EQ(file.Save({"kept", ""}), QString()); // nothing to save, nothing to say
    try {
        file.Save({"changed", ""});
        ADD_FAILURE() << "a changed configuration is not saved silently";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("jen pro čtení"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_FALSE(QFileInfo(path).permissions().testFlag(QFile::WriteOwner));
    EXPECT_FALSE(QFileInfo::exists(UserFolder + "/Config.xml"));
}

TEST_F(MainWindowTest, ConfigBehindASymbolicLinkIsWrittenToItsTarget)
{
    const QString shared = ConfigDir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    const QString target = QDir(shared).canonicalPath() + "/tester.xml";
    WriteFile(target, "<Root ConnectionString=\"old\"/>");
    const QString link = ProgramFolder + "/Config.xml";
    ASSERT_TRUE(QFile::link(target, link));
    TConfigFile file(ProgramFolder, UserFolder);
    EXPECT_EQ(file.Load().ConnectionString, "old");
    EXPECT_EQ(file.Save({"new", "rs"}), target);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(file.Load().ConnectionString, "new");

    // A link whose target is not there yet creates it.
    QFile::remove(target);
    EXPECT_EQ(file.Save({"again", ""}), target);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(file.Load().ConnectionString, "again");
}

TEST_F(MainWindowTest, UnwritableProgramFolderFallsBackToTheUserFolder)
{
    // A path below a plain file cannot be written, not even by root.
    const QString blocked = ConfigDir.filePath(QStringLiteral("file"));
    WriteFile(blocked, "x");
    TConfigFile config(blocked + "/program", UserFolder);
    EXPECT_EQ(config.Save({"provider=TCP_CLIENT;host=a;port=1", "rs"}), UserFolder + "/Config.xml");
    EXPECT_EQ(config.Load().ConnectionString, "provider=TCP_CLIENT;host=a;port=1");

    // Once the program folder takes the file again, the newer file wins.
    TConfigFile writable(ProgramFolder, UserFolder);
    QTest::qWait(20);
    EXPECT_EQ(writable.Save({"newer", ""}), ProgramFolder + "/Config.xml");
    EXPECT_EQ(writable.Load().ConnectionString, "newer");

    const TConfigFile nowhere(blocked + "/program", blocked + "/user");
    EXPECT_THROW(nowhere.Save({"a", "b"}), Exception);
}

TEST_F(MainWindowTest, FailedSaveAtExitIsShownToTheUser)
{
    const QString blocked = ConfigDir.filePath(QStringLiteral("file"));
    WriteFile(blocked, "x");
    Windows = std::make_unique<TTesterWindows>(TConfigFile(blocked + "/program", blocked + "/user"));
    CloseWindows();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("Nastavení připojení se nepodařilo uložit do „")))
        << Messages[0].toStdString();
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("/user/Config.xml“."))) << Messages[0].toStdString();
}
