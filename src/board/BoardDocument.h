#pragma once

#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cstddef>

#include <string>
#include <string_view>

// The parsed board file for the length of one store operation.
//
// Parsing is hardened (no network, no DTD, no entities, bounded size and
// attributes per element) and drops text nodes made only of white space.
// Saving writes back the bytes that stood before and after the document
// element exactly as they were loaded (BOM, XML declaration, comments, line
// ends, even bytes the parser never reached), with the element itself
// serialised in the encoding that the declaration names.
class BoardDocument
{
public:
    // The parser takes no larger document when it must decode it (any
    // declared encoding but UTF-8, and UTF-16).
    static constexpr size_t kMaxDecodedBytes = XML_MAX_LOOKUP_LIMIT;
    // UTF-8 it would take up to 2 GB. 50,000 messages are about 31 MB, and a
    // board of this size already costs every member seconds on each click;
    // a larger file is refused before it is read.
    static constexpr size_t kMaxBytes = size_t{256} << 20;
    // A message has five attributes; the parser's cost grows with the square
    // of an element's attributes, and at this many a board of kMaxBytes
    // parses no slower than one of messages.
    static constexpr size_t kMaxAttributesPerElement = 256;

    // How the document element is put into the declared encoding: by
    // libxml2, or character by character, writing a reference for each
    // character the encoding cannot hold (some of libxml2's converters lose
    // characters next to such a character). No file is touched.
    enum class Encoder { Library, Referencing };

    BoardDocument();
    ~BoardDocument();
    BoardDocument(const BoardDocument&) = delete;
    BoardDocument& operator=(const BoardDocument&) = delete;

    // False for anything that is not a complete, well-formed board document
    // without a DOCTYPE.
    bool LoadFromBytes(const std::string& bytes);
    // Serialises head + document element + tail. False where the board
    // cannot be written back (see changeable), and for Referencing where it
    // would give what Library gives.
    bool Serialise(std::string& out, Encoder encoder = Encoder::Library) const;
    void Close();
    void Swap(BoardDocument& other) noexcept;

    bool loaded() const { return doc_ != nullptr; }
    // The bytes kept as they were before and after the document element.
    const std::string& head() const { return head_; }
    const std::string& tail() const { return tail_; }
    // Whether the board can be written back around what was loaded: not for
    // UTF-16, and not where the end of the document element is not found.
    bool changeable() const { return doc_ != nullptr && changeable_; }
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
    // The element's text as a reader of the saved board gets it: text made
    // only of white space (as written for an empty value) is not read.
    static std::string TextAsRead(xmlNodePtr element);
    // Sets the value as plain text, never parsed for markup or references.
    static void SetAttribute(xmlNodePtr element, const char* name, const std::string& value);
    // Replaces all children by one text node (none for an empty value).
    void ReplaceText(xmlNodePtr element, const std::string& text) const;
    // Appends a text node, merging with a text node already last.
    void AppendText(xmlNodePtr parent, const std::string& text) const;
    xmlNodePtr NewElement(const char* name) const;
    // Removes the text made only of white space from node, the siblings
    // after it and all their descendants, as loading does.
    static void RemoveBlankText(xmlNodePtr node);

private:
    xmlNodePtr firstNode() const;
    static xmlNodePtr NextInDocumentOrder(xmlNodePtr node);
    static xmlNodePtr FirstElementFrom(xmlNodePtr node, const char* name);

    xmlDocPtr doc_ = nullptr;
    std::string head_;
    std::string tail_;
    bool changeable_ = false;
};
