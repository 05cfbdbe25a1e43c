#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

// The parsed board file for the length of one store operation.
//
// Parsing is hardened (no network, no DTD, no entities) and drops text nodes
// made only of white space. Saving writes back the bytes that stood before
// and after the document element exactly as they were loaded (BOM, XML
// declaration, comments, line ends), with the element itself serialised in
// the encoding that the declaration names.
class BoardDocument
{
public:
    BoardDocument();
    ~BoardDocument();
    BoardDocument(const BoardDocument&) = delete;
    BoardDocument& operator=(const BoardDocument&) = delete;

    // False for a missing or unreadable file and for anything that is not a
    // complete, well-formed board document without a DOCTYPE.
    bool Load(const std::string& path);
    bool LoadFromBytes(std::string bytes);
    // Serialises head + document element + tail; no file is touched.
    bool Serialise(std::string& out) const;
    bool Save(const std::string& path, std::string* error = nullptr) const;
    void Close();

    bool loaded() const { return doc_ != nullptr; }
    xmlDocPtr doc() const { return doc_; }

    // The first element of that name in document order ("//name").
    xmlNodePtr FirstElement(const char* name) const;
    // The first "message" whose number attribute reads exactly numberText.
    xmlNodePtr FindMessage(std::string_view numberText) const;
    // Every element of that name, in document order.
    template <typename Visit> void ForEachElement(const char* name, Visit visit) const
    {
        for (xmlNodePtr node = FirstElementFrom(firstNode(), name); node != nullptr;
             node = FirstElementFrom(NextInDocumentOrder(node), name)) {
            visit(node);
        }
    }

    // The first descendant element whose tag name is name, or null.
    static xmlNodePtr FirstDescendant(xmlNodePtr element, const char* name);
    // The attribute's text (UTF-8); empty when it is absent.
    static std::string Attribute(xmlNodePtr element, const char* name);
    static std::string TextContent(xmlNodePtr node);
    // Sets the value as plain text, never parsed for markup or references.
    static void SetAttribute(xmlNodePtr element, const char* name, const std::string& value);
    // Replaces all children by one text node (none for an empty value).
    void ReplaceText(xmlNodePtr element, const std::string& text) const;
    // Appends a text node, merging with a text node already last.
    void AppendText(xmlNodePtr parent, const std::string& text) const;
    xmlNodePtr NewElement(const char* name) const;

private:
    xmlNodePtr firstNode() const;
    static xmlNodePtr NextInDocumentOrder(xmlNodePtr node);
    static xmlNodePtr FirstElementFrom(xmlNodePtr node, const char* name);

    xmlDocPtr doc_ = nullptr;
    std::string head_;
    std::string tail_;
    bool wideEncoding_ = false;
};
