#include "uXmlUtils.h"

#include "uAtomicFile.h"
#include "uExceptions.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* FileEncoding = "windows-1250";
// No network, no entity expansion from outside, no noise on stderr; blanks between
// elements are dropped so that a saved document is indented afresh.
constexpr int ParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS;

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

std::string FromXml(xmlChar* owned)
{
    std::string s(reinterpret_cast<const char*>(owned));
    xmlFree(owned);
    return s;
}

std::string ErrnoText(int err) { return std::strerror(err); }

void CheckName(const std::string& name)
{
    if (name.empty() || xmlValidateName(X(name), 0) != 0 || name.find('\0') != std::string::npos)
        throw Exception("Invalid XML name \"" + name + "\"");
}

// XML 1.0 carries neither malformed UTF-8 nor control characters other than tab, LF and CR.
void CheckValue(const std::string& name, const std::string& value)
{
    const bool controls = std::any_of(value.begin(), value.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    });
    if (controls || !xmlCheckUTF8(X(value)))
        throw Exception("The value of attribute \"" + name + "\" cannot be stored in XML");
}

// Formatting settings for one save on this thread (libxml2 keeps them per thread).
void UseTabIndentation()
{
    xmlIndentTreeOutput = 1;
    xmlTreeIndentString = "\t";
}

std::string Dump(xmlDoc* doc, const char* encoding)
{
    UseTabIndentation();
    xmlChar* mem = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &mem, &size, encoding, 1);
    if (!mem) throw Exception(std::string("The XML document cannot be written in ") + encoding);
    std::string text(reinterpret_cast<const char*>(mem), size_t(size));
    xmlFree(mem);
    return text;
}

IntfPtr<TXMLDocument> Parse(const std::string& bytes, const char* encoding, int options, const std::string& source)
{
    xmlInitParser();
    xmlParserCtxt* ctxt = xmlNewParserCtxt();
    if (!ctxt) throw Exception("Out of memory while reading " + source);
    xmlDoc* doc = xmlCtxtReadMemory(ctxt, bytes.data(), int(bytes.size()), nullptr, encoding, options);
    if (!doc) {
        std::string message = "Invalid XML in " + source;
        if (const xmlError* e = xmlCtxtGetLastError(ctxt); e && e->message) {
            std::string detail = e->message;
            while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back()))) detail.pop_back();
            message += " (line " + std::to_string(e->line) + "): " + detail;
        }
        xmlFreeParserCtxt(ctxt);
        throw Exception(message);
    }
    xmlFreeParserCtxt(ctxt);
    if (!xmlDocGetRootElement(doc)) {
        xmlFreeDoc(doc);
        throw Exception("Invalid XML in " + source + ": no root element");
    }
    return MakeObj<TXMLDocument>(doc);
}

class TXMLNode final : public TMyInterfacedObject, public IXMLNode {
public:
    TXMLNode(IntfPtr<TXMLDocument> doc, xmlNode* node) : FDoc(std::move(doc)), FNode(node) {}

    std::string GetNodeName() override
    {
        std::lock_guard lock(FDoc->Mutex());
        return reinterpret_cast<const char*>(FNode->name);
    }

    bool HasAttribute(const std::string& name) override
    {
        std::lock_guard lock(FDoc->Mutex());
        return xmlHasProp(FNode, X(name)) != nullptr;
    }

    std::optional<std::string> GetAttribute(const std::string& name) override
    {
        std::lock_guard lock(FDoc->Mutex());
        if (!xmlHasProp(FNode, X(name))) return std::nullopt;
        xmlChar* value = xmlGetProp(FNode, X(name));
        if (!value) throw Exception("Out of memory while reading attribute \"" + name + "\"");
        return FromXml(value);
    }

    void SetAttribute(const std::string& name, const std::string& value) override
    {
        CheckName(name);
        CheckValue(name, value);
        std::lock_guard lock(FDoc->Mutex());
        if (!xmlSetProp(FNode, X(name), X(value)))
            throw Exception("Cannot set attribute \"" + name + "\"");
    }

    void SetBoolAttribute(const std::string& name, bool value) override { SetAttribute(name, XmlBoolToStr(value)); }

    IntfPtr<IXMLNode> FindChildNode(const std::string& name) override
    {
        std::lock_guard lock(FDoc->Mutex());
        for (xmlNode* c = FNode->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE && xmlStrEqual(c->name, X(name))) return MakeObj<TXMLNode>(FDoc, c);
        return nullptr;
    }

    IntfPtr<IXMLNode> ChildNode(const std::string& name) override
    {
        std::lock_guard lock(FDoc->Mutex());
        if (IntfPtr<IXMLNode> found = FindChildNode(name)) return found;
        CheckName(name);
        xmlNode* c = xmlNewChild(FNode, nullptr, X(name), nullptr);
        if (!c) throw Exception("Cannot add element \"" + name + "\"");
        return MakeObj<TXMLNode>(FDoc, c);
    }

    IntfPtr<TXMLDocument> OwnerDocument() override { return FDoc; }

protected:
    bool ImplementsInterface(const TGUID& iid) const override
    {
        return iid == IXMLNode::IID || TMyInterfacedObject::ImplementsInterface(iid);
    }

private:
    IntfPtr<TXMLDocument> FDoc;
    xmlNode* FNode; // owned by the document, which this reference keeps alive
};

} // namespace

IntfPtr<TXMLDocument> TXMLDocument::Create(const std::string& rootName)
{
    CheckName(rootName);
    xmlDoc* doc = xmlNewDoc(X("1.0"));
    if (!doc) throw Exception("Out of memory while creating an XML document");
    xmlDocSetRootElement(doc, xmlNewDocNode(doc, nullptr, X(rootName), nullptr));
    return MakeObj<TXMLDocument>(doc);
}

IntfPtr<TXMLDocument> TXMLDocument::LoadFromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Exception("Cannot open \"" + path + "\": " + ErrnoText(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw Exception("Cannot read \"" + path + "\"");
    return Parse(bytes.str(), nullptr, ParseOptions, "\"" + path + "\"");
}

IntfPtr<TXMLDocument> TXMLDocument::LoadFromText(const std::string& text)
{
    return Parse(text, "UTF-8", ParseOptions | XML_PARSE_IGNORE_ENC, "the XML text");
}

TXMLDocument::~TXMLDocument() { xmlFreeDoc(FDoc); }

IntfPtr<IXMLNode> TXMLDocument::DocumentElement()
{
    std::lock_guard lock(FMutex);
    xmlNode* root = xmlDocGetRootElement(FDoc);
    if (!root) return nullptr;
    return MakeObj<TXMLNode>(IntfPtr<TXMLDocument>(this), root);
}

void TXMLDocument::SaveToFile(const std::string& path)
{
    std::string bytes;
    {
        std::lock_guard lock(FMutex);
        bytes = Dump(FDoc, FileEncoding);
    }
    WriteFileAtomically(path, bytes);
}

std::string TXMLDocument::SaveToText()
{
    std::lock_guard lock(FMutex);
    return Dump(FDoc, "UTF-8");
}

std::string XmlBoolToStr(bool value) { return value ? "true" : "false"; }

bool XmlStrToBool(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    std::string t = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (t == "true") return true;
    if (t == "false") return false;
    if (!t.empty()) {
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(t.c_str(), &end, 10);
        if (errno == 0 && end == t.c_str() + t.size()) return v != 0;
    }
    throw EConvertError("'" + text + "' is not a valid boolean value");
}
