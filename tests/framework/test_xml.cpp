#include "framework/uExceptions.h"
#include "framework/uXmlUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

using testing::HasSubstr;

const std::string Czech = "Nastavení připojení, žluťoučký kůň";

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class XmlFiles : public testing::Test {
protected:
    void SetUp() override
    {
        Dir = testing::TempDir() + "xml_" + testing::UnitTest::GetInstance()->current_test_info()->name();
        mkdir(Dir.c_str(), 0755);
        Path = Dir + "/Config.xml";
        std::remove(Path.c_str());
    }
    std::vector<std::string> Entries()
    {
        std::vector<std::string> names;
        DIR* d = opendir(Dir.c_str());
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
        return names;
    }

    std::string Dir, Path;
};

TEST_F(XmlFiles, CzechTextSurvivesAWindows1250File)
{
    IntfPtr<TXMLDocument> doc = TXMLDocument::Create("Root");
    doc->DocumentElement()->SetAttribute("ConnectionString", Czech);
    doc->DocumentElement()->ChildNode("Node")->SetAttribute("name", "a<b>&\"c'");
    doc->SaveToFile(Path);

    const std::string bytes = ReadBytes(Path);
    EXPECT_THAT(bytes, HasSubstr("<?xml version=\"1.0\" encoding=\"windows-1250\"?>"));
    EXPECT_THAT(bytes, HasSubstr("\n\t<Node "));
    EXPECT_THAT(bytes, HasSubstr("\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2")); // "žluťoučký kůň" in windows-1250

    IntfPtr<IXMLNode> root = TXMLDocument::LoadFromFile(Path)->DocumentElement();
    EXPECT_EQ(root->GetNodeName(), "Root");
    EXPECT_EQ(root->GetAttribute("ConnectionString"), Czech);
    EXPECT_EQ(root->FindChildNode("Node")->GetAttribute("name"), "a<b>&\"c'");
}

TEST_F(XmlFiles, SavingReplacesTheFileAndLeavesNothingElse)
{
    IntfPtr<TXMLDocument> doc = TXMLDocument::Create("Root");
    doc->SaveToFile(Path);
    chmod(Path.c_str(), 0640);
    doc->DocumentElement()->SetAttribute("RS485ConnectionString", "provider=TCP_CLIENT");
    doc->SaveToFile(Path);
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.xml"});
    struct stat st {};
    ASSERT_EQ(stat(Path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(TXMLDocument::LoadFromFile(Path)->DocumentElement()->GetAttribute("RS485ConnectionString"),
              "provider=TCP_CLIENT");
}

TEST_F(XmlFiles, UnwritableFolderIsReported)
{
    IntfPtr<TXMLDocument> doc = TXMLDocument::Create("Root");
    try {
        doc->SaveToFile(Dir + "/missing/Config.xml");
        FAIL() << "saving into a missing folder succeeded";
    } catch (const Exception& e) {
        EXPECT_THAT(e.Message(), HasSubstr("missing/Config.xml"));
        EXPECT_THAT(e.Message(), HasSubstr("No such file or directory"));
    }
}

TEST_F(XmlFiles, MissingOrDamagedFilesRaise)
{
    try {
        TXMLDocument::LoadFromFile(Path);
        FAIL() << "a missing file loaded";
    } catch (const Exception& e) {
        EXPECT_THAT(e.Message(), HasSubstr(Path));
    }
    std::ofstream(Path) << "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<Root a=\"1\">\n<Child>";
    try {
        TXMLDocument::LoadFromFile(Path);
        FAIL() << "a truncated file loaded";
    } catch (const Exception& e) {
        EXPECT_THAT(e.Message(), HasSubstr(Path));
        EXPECT_THAT(e.Message(), HasSubstr("line"));
    }
}

TEST(XmlText, ParsesUtf8WhateverTheDeclarationSays)
{
    IntfPtr<TXMLDocument> doc =
        TXMLDocument::LoadFromText("<?xml version=\"1.0\" encoding=\"windows-1250\"?><Root a=\"" + Czech + "\"/>");
    EXPECT_EQ(doc->DocumentElement()->GetAttribute("a"), Czech);

    const std::string text = doc->SaveToText();
    EXPECT_THAT(text, HasSubstr(Czech));
    EXPECT_EQ(TXMLDocument::LoadFromText(text)->DocumentElement()->GetAttribute("a"), Czech);
}

TEST(XmlText, MalformedTextRaises)
{
    for (const char* text : {"", "<Root", "<Root></Other>", "plain text", "<a/><b/>"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(TXMLDocument::LoadFromText(text), Exception);
    }
}

TEST(XmlElements, AttributesAndChildren)
{
    IntfPtr<IXMLNode> root = TXMLDocument::Create("Root")->DocumentElement(); // keeps its document alive
    EXPECT_FALSE(root->HasAttribute("x"));
    EXPECT_EQ(root->GetAttribute("x"), std::nullopt);
    root->SetAttribute("x", "");
    EXPECT_TRUE(root->HasAttribute("x"));
    EXPECT_EQ(root->GetAttribute("x"), "");
    root->SetBoolAttribute("b", true);
    EXPECT_EQ(root->GetAttribute("b"), "true");

    EXPECT_FALSE(root->FindChildNode("Stack"));
    root->ChildNode("Stack")->SetAttribute("ADR", "#$31");
    EXPECT_EQ(root->ChildNode("Stack")->GetAttribute("ADR"), "#$31");
    EXPECT_EQ(root->OwnerDocument()->SaveToText().find("<Stack"), root->OwnerDocument()->SaveToText().rfind("<Stack"));
}

TEST(XmlElements, RefusesWhatXmlCannotCarry)
{
    IntfPtr<IXMLNode> root = TXMLDocument::Create("Root")->DocumentElement();
    EXPECT_THROW(root->SetAttribute("two words", "x"), Exception);
    EXPECT_THROW(root->SetAttribute("", "x"), Exception);
    EXPECT_THROW(root->SetAttribute("a", std::string("x\x01y")), Exception);
    EXPECT_THROW(root->SetAttribute("a", std::string("\xC3(")), Exception); // malformed UTF-8
    EXPECT_THROW(root->ChildNode("<bad>"), Exception);
    EXPECT_THROW(TXMLDocument::Create("1st"), Exception);
    EXPECT_FALSE(root->HasAttribute("a"));
    root->SetAttribute("a", "tab\there\nline");
    EXPECT_EQ(TXMLDocument::LoadFromText(root->OwnerDocument()->SaveToText())->DocumentElement()->GetAttribute("a"),
              "tab\there\nline");
}

TEST(XmlBooleans, TextsAndErrors)
{
    for (const char* t : {"true", "TRUE", "True", "1", "-1", " 1 ", "2"}) EXPECT_TRUE(XmlStrToBool(t)) << t;
    for (const char* t : {"false", "FALSE", "0", "00"}) EXPECT_FALSE(XmlStrToBool(t)) << t;
    for (const char* t : {"maybe", "", "yes", "1x", "truefalse", "99999999999999999999"})
        EXPECT_THROW(XmlStrToBool(t), EConvertError) << t;
    EXPECT_TRUE(XmlStrToBool(XmlBoolToStr(true)));
    EXPECT_FALSE(XmlStrToBool(XmlBoolToStr(false)));
}

} // namespace
