// Writes pictures of the log window with traffic to $VALDRIX_BUILD_DIR/screenshots/:
// cilog.png as it opens, cilog_ascii.png with the ASCII column switched on.
#include "tests/framework/gui/test_ufCILogSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QTest>

namespace {

class LogScreenshotTest : public LogWindowTest {
protected:
    // Requests and answers, noise, a refused answer and a corrupt one.
    void ShowTraffic()
    {
        for (int i = 0; i < 6; ++i) {
            Send(Request(0xC0 + i, std::string(i, char(i))));
            Receive(Answer(i == 4 ? 0x03 : 0x00, "data" + std::to_string(i)));
        }
        Receive("Device open failure: noise\r");
        Receive(std::string(30, '\x55'));
        Send(Request(0xF3));
        std::string corrupt = Answer(0x00, "Valdrix 1.0");
        corrupt[8] ^= 0x20;
        Receive(corrupt);
        Receive(Answer(0x00, "Valdrix 1.0"));
        ASSERT_EQ(Lines().size(), 17u);
        QTest::qWait(100);
    }

    void Save(const QString& name)
    {
        const QByteArray buildDir = qgetenv("VALDRIX_BUILD_DIR");
        const QDir dir(buildDir.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(buildDir));
        ASSERT_TRUE(dir.mkpath("screenshots"));
        const QString path = dir.filePath("screenshots/" + name);
        ASSERT_TRUE(Log->grab().save(path));
        EXPECT_TRUE(QFileInfo(path).size() > 0);
    }
};

} // namespace

TEST_F(LogScreenshotTest, WritesAScreenshotWithTraffic)
{
    ShowTraffic();
    Save("cilog.png");
}

TEST_F(LogScreenshotTest, WritesAScreenshotWithTheAsciiColumn)
{
    ShowTraffic();
    Log->findChild<QCheckBox*>("chbAscii")->click();
    QTest::qWait(100);
    Save("cilog_ascii.png");
}
