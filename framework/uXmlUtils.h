// XML documents for settings files and nodes' settings elements.
//
// Strings in this API are UTF-8. Files are written in windows-1250 with a tab per
// indentation level and read in whatever encoding their declaration names. Saving is
// atomic: the new content goes to a temporary file in the same folder, is flushed to
// the disk and then renamed over the old file, so a crash leaves the old or the new
// file, never a damaged one.
//
// Elements are reached as IXMLNode references; every element reference keeps its
// document alive. A document may be used from several threads: each operation locks it.
//
// Errors (a missing or unreadable file, text that is not well-formed XML, a name that is
// not an XML name, a value that XML cannot carry, a folder that cannot be written) are
// raised as Exception with a message naming the file or the problem.
#pragma once

#include "ui_MyInterfacedObject.h"

#include <mutex>
#include <optional>
#include <string>

struct _xmlDoc;
class TXMLDocument;

// One element of a document.
class IXMLNode : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{47580949-FE46-4A6A-8A04-649D809486CA}");

    virtual std::string GetNodeName() = 0;
    virtual bool HasAttribute(const std::string& name) = 0;
    // The attribute's value, or nothing when the element has no such attribute.
    virtual std::optional<std::string> GetAttribute(const std::string& name) = 0;
    // Creates or replaces the attribute.
    virtual void SetAttribute(const std::string& name, const std::string& value) = 0;
    // Writes "true" or "false".
    virtual void SetBoolAttribute(const std::string& name, bool value) = 0;
    // The first child element with this name, or null.
    virtual IntfPtr<IXMLNode> FindChildNode(const std::string& name) = 0;
    // The first child element with this name, appended first when there is none.
    virtual IntfPtr<IXMLNode> ChildNode(const std::string& name) = 0;
    virtual IntfPtr<TXMLDocument> OwnerDocument() = 0;
};

class TXMLDocument final : public TMyInterfacedObject {
public:
    // A new document holding an empty root element.
    static IntfPtr<TXMLDocument> Create(const std::string& rootName);
    static IntfPtr<TXMLDocument> LoadFromFile(const std::string& path);
    // Parses UTF-8 text; an encoding named in its declaration is ignored.
    static IntfPtr<TXMLDocument> LoadFromText(const std::string& text);

    // Takes ownership of a parsed document; use the factories above.
    explicit TXMLDocument(_xmlDoc* doc) : FDoc(doc) {}

    // The root element, or null for a document without one.
    IntfPtr<IXMLNode> DocumentElement();
    // Writes the document atomically, in windows-1250, indented with tabs.
    void SaveToFile(const std::string& path);
    // The document as UTF-8 text, indented with tabs.
    std::string SaveToText();

    // Serialises access to the document from its elements.
    std::recursive_mutex& Mutex() { return FMutex; }

protected:
    ~TXMLDocument() override;

private:
    std::recursive_mutex FMutex;
    _xmlDoc* FDoc;
};

// The text written for a Boolean attribute: "true" or "false".
std::string XmlBoolToStr(bool value);
// Reads a Boolean attribute text: "true"/"false" in any letter case, or an integer
// (0 is false, any other value true), surrounding blanks ignored. Anything else
// raises EConvertError.
bool XmlStrToBool(const std::string& text);
