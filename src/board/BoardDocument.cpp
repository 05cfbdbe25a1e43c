#include "BoardDocument.h"


#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// Windows writes code page 932 under all of these names; glibc's own
// Shift_JIS converter rejects its extensions (①, ㈱, NEC and IBM kanji).
constexpr const char* kCp932Aliases[] = {
    "SHIFT_JIS", "SHIFT-JIS", "SJIS",   "MS_KANJI", "CSSHIFTJIS",
    "X-SJIS",    "WINDOWS-31J", "MS932", "X-MS-CP932",
};
// Encodings (as libxml2 resolves their names) in which the bytes of markup
// are ASCII and no byte sequence reads as one of them otherwise.
constexpr const char* kAsciiTransparent[] = {"UTF-8", "UTF8", "CP932", "EUC-JP", "US-ASCII", "ASCII", "ISO-8859-1"};

xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void IgnoreXmlError(void*, xmlErrorPtr) {}

void InitialiseLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        for (const char* alias : kCp932Aliases)
            xmlAddEncodingAlias("CP932", alias);
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
    // libxml2 keeps its error handler per thread.
    xmlSetStructuredErrorFunc(nullptr, IgnoreXmlError);
}

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBlankText(const xmlChar* text)
{
    if (text == nullptr)
        return true;
    for (const xmlChar* p = text; *p != 0; ++p) {
        if (!IsXmlSpace(static_cast<char>(*p)))
            return false;
    }
    return true;
}

bool StartsWith(std::string_view text, size_t pos, std::string_view prefix)
{
    return text.compare(pos, prefix.size(), prefix) == 0;
}

// The text that ends a comment, processing instruction or CDATA section
// starting at pos; empty for any other markup.
std::string_view CloserOf(std::string_view bytes, size_t pos)
{
    if (StartsWith(bytes, pos, "<!--"))
        return "-->";
    if (StartsWith(bytes, pos, "<![CDATA["))
        return "]]>";
    if (StartsWith(bytes, pos, "<?"))
        return "?>";
    return {};
}

// Byte offset of the document element's "<", past BOM, declaration, comments,
// processing instructions and white space. npos when there is none, and for
// a DOCTYPE, which no board has.
size_t FindRootStart(std::string_view bytes)
{
    size_t pos = StartsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    for (;;) {
        while (pos < bytes.size() && IsXmlSpace(bytes[pos]))
            ++pos;
        if (pos >= bytes.size() || bytes[pos] != '<')
            return std::string_view::npos;
        const std::string_view closer = CloserOf(bytes, pos);
        if (closer.empty())
            return StartsWith(bytes, pos, "<!") ? std::string_view::npos : pos;
        size_t end = bytes.find(closer, pos + 2);
        if (end == std::string_view::npos)
            return std::string_view::npos;
        pos = end + closer.size();
    }
}

struct MarkupScan
{
    size_t rootEnd = std::string_view::npos;
    bool withinBound = true;
};

// One pass over the markup from the document element's start to the end of
// the text: where that element ends (just after its final ">", found by
// walking its tags, so that nothing after it is mistaken for its end), and
// whether every tag keeps within the bound of attributes. The parser may stop
// before the end (at a NUL, or at a byte its decoder refuses); what follows
// is not its business, but it is counted all the same.
MarkupScan ScanMarkup(std::string_view text, size_t pos)
{
    MarkupScan scan;
    int depth = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (const std::string_view closer = CloserOf(text, pos); !closer.empty()) {
            const size_t end = text.find(closer, pos + 2);
            if (end == std::string_view::npos)
                return scan;
            pos = end + closer.size();
            continue;
        }
        size_t attributes = 0;
        size_t close = pos + 1;
        for (; close < text.size() && text[close] != '>'; ++close) {
            const char c = text[close];
            if (c == '=') {
                ++attributes;
            } else if (c == '"' || c == '\'') {
                close = text.find(c, close + 1);
                if (close == std::string_view::npos)
                    return scan;
            }
        }
        if (attributes > BoardDocument::kMaxAttributesPerElement) {
            scan.withinBound = false;
            return scan;
        }
        if (close >= text.size())
            return scan;
        if (scan.rootEnd == std::string_view::npos) {
            if (text[pos + 1] == '/')
                --depth;
            else if (text[close - 1] != '/')
                ++depth;
            if (depth == 0)
                scan.rootEnd = close + 1;
        }
        pos = close + 1;
    }
    return scan;
}

bool LooksLikeUtf16(std::string_view bytes)
{
    return StartsWith(bytes, 0, "\xFF\xFE") || StartsWith(bytes, 0, "\xFE\xFF") ||
           (bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0));
}

// The encoding named by the XML declaration; empty when none is named.
std::string DeclaredEncoding(std::string_view bytes)
{
    const size_t start = StartsWith(bytes, 0, "\xEF\xBB\xBF") ? 3 : 0;
    if (!StartsWith(bytes, start, "<?xml"))
        return {};
    const std::string_view declaration = bytes.substr(start, bytes.find("?>", start) - start);
    size_t open = declaration.find("encoding");
    open = open == std::string_view::npos ? open : declaration.find_first_of("\"'", open);
    if (open == std::string_view::npos)
        return {};
    const size_t close = declaration.find(declaration[open], open + 1);
    if (close == std::string_view::npos)
        return {};
    return std::string(declaration.substr(open + 1, close - open - 1));
}

// Whether every byte below 0x80 stands for itself and nothing else stands for
// such a character: then the markup can be checked on the bytes as they are.
bool IsUtf8(const std::string& declared)
{
    return declared.empty() || xmlParseCharEncoding(declared.c_str()) == XML_CHAR_ENCODING_UTF8;
}

bool KeepsAsciiAsIs(const std::string& declared)
{
    if (declared.empty())
        return true;
    const char* alias = xmlGetEncodingAlias(declared.c_str());
    std::string name = alias != nullptr ? alias : declared;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* known : kAsciiTransparent) {
        if (name == known)
            return true;
    }
    return false;
}

using Converter = std::unique_ptr<xmlCharEncodingHandler, decltype(&xmlCharEncCloseFunc)>;

Converter FindConverter(const char* encoding)
{
    return Converter(xmlFindCharEncodingHandler(encoding), &xmlCharEncCloseFunc);
}

enum class Direction { ToUtf8, FromUtf8 };

// Converts as far as the input is valid: true when all of it was.
bool Convert(xmlCharEncodingHandler* converter, Direction direction, std::string_view input, std::string& output)
{
    output.clear();
    if (input.size() > static_cast<size_t>(INT32_MAX) / 4)
        return false;
    xmlBufferPtr in = xmlBufferCreateSize(input.size() + 1);
    xmlBufferPtr out = xmlBufferCreateSize(input.size() * 2 + 16);
    bool complete = in != nullptr && out != nullptr &&
                    xmlBufferAdd(in, reinterpret_cast<const xmlChar*>(input.data()), static_cast<int>(input.size())) == 0;
    while (complete && xmlBufferLength(in) > 0) {
        const int before = xmlBufferLength(in);
        if (direction == Direction::ToUtf8)
            xmlCharEncInFunc(converter, out, in);
        else
            xmlCharEncOutFunc(converter, out, in);
        complete = xmlBufferLength(in) < before;
    }
    if (out != nullptr)
        output.assign(reinterpret_cast<const char*>(xmlBufferContent(out)), static_cast<size_t>(xmlBufferLength(out)));
    xmlBufferFree(in);
    xmlBufferFree(out);
    return complete;
}

// The text the parser will read, for checking its markup: as far as the
// decoder goes, like the parser.
bool DecodeAsTheParser(std::string_view bytes, bool wide, const std::string& declared, std::string& text)
{
    Converter converter(nullptr, &xmlCharEncCloseFunc);
    if (wide) {
        const xmlCharEncoding detected = xmlDetectCharEncoding(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                               static_cast<int>(std::min<size_t>(bytes.size(), 4)));
        converter = Converter(xmlGetCharEncodingHandler(detected), &xmlCharEncCloseFunc);
    } else {
        converter = FindConverter(declared.c_str());
    }
    if (converter == nullptr)
        return false;
    Convert(converter.get(), Direction::ToUtf8, bytes, text);
    return true;
}

// Whether the encoding holds the character and gives it back unchanged. The
// space behind it brings a shifting encoding back to its initial state.
bool Holds(xmlCharEncodingHandler* encoder, xmlCharEncodingHandler* decoder, std::string_view character)
{
    const std::string probe = std::string(character) + " ";
    std::string encoded;
    std::string decoded;
    return Convert(encoder, Direction::FromUtf8, probe, encoded) &&
           Convert(decoder, Direction::ToUtf8, encoded, decoded) && decoded == probe;
}

// The UTF-8 text in the encoding, each character that the encoding cannot
// hold written as a decimal character reference, as libxml2 writes them.
bool EncodeReferencing(std::string_view utf8, const char* encoding, std::string& out)
{
    const Converter encoder = FindConverter(encoding);
    const Converter decoder = FindConverter(encoding);
    if (encoder == nullptr || decoder == nullptr)
        return false;
    std::unordered_map<int, bool> held;
    std::string referenced;
    referenced.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
            referenced += utf8[pos++];
            continue;
        }
        int length = static_cast<int>(std::min<size_t>(utf8.size() - pos, 4));
        const int code = xmlGetUTF8Char(reinterpret_cast<const unsigned char*>(utf8.data() + pos), &length);
        if (code < 0)
            return false;
        const std::string_view character = utf8.substr(pos, static_cast<size_t>(length));
        const auto [known, added] = held.try_emplace(code, false);
        if (added)
            known->second = Holds(encoder.get(), decoder.get(), character);
        if (known->second)
            referenced.append(character);
        else
            referenced += "&#" + std::to_string(code) + ";";
        pos += static_cast<size_t>(length);
    }
    return Convert(FindConverter(encoding).get(), Direction::FromUtf8, referenced, out);
}

void RemoveBlankTextNodes(xmlNodePtr node)
{
    while (node != nullptr) {
        xmlNodePtr next = node->next;
        if (node->type == XML_TEXT_NODE && IsBlankText(node->content)) {
            xmlUnlinkNode(node);
            xmlFreeNode(node);
        } else if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            RemoveBlankTextNodes(node->children);
        }
        node = next;
    }
}

bool NameIs(const xmlChar* actual, const char* wanted)
{
    return actual != nullptr && std::strcmp(reinterpret_cast<const char*>(actual), wanted) == 0;
}

int AppendToString(void* context, const char* buffer, int length)
{
    static_cast<std::string*>(context)->append(buffer, static_cast<size_t>(length));
    return length;
}

int CloseNothing(void*)
{
    return 0;
}

} // namespace

BoardDocument::BoardDocument()
{
    InitialiseLibxml();
}

BoardDocument::~BoardDocument()
{
    Close();
}

void BoardDocument::Swap(BoardDocument& other) noexcept
{
    std::swap(doc_, other.doc_);
    head_.swap(other.head_);
    tail_.swap(other.tail_);
    std::swap(changeable_, other.changeable_);
}

void BoardDocument::Close()
{
    if (doc_ != nullptr) {
        xmlFreeDoc(doc_);
        doc_ = nullptr;
    }
    head_.clear();
    tail_.clear();
    changeable_ = false;
}

bool BoardDocument::LoadFromBytes(const std::string& bytes)
{
    Close();
    InitialiseLibxml();
    if (bytes.size() > kMaxBytes)
        return false;
    // The markup is checked, before the parser spends time on it, as the
    // parser will read it.
    const bool wide = LooksLikeUtf16(bytes);
    const std::string declared = wide ? std::string() : DeclaredEncoding(bytes);
    if ((wide || !IsUtf8(declared)) && bytes.size() > kMaxDecodedBytes)
        return false;
    const bool asIs = !wide && KeepsAsciiAsIs(declared);
    std::string decoded;
    if (!asIs && !DecodeAsTheParser(bytes, wide, declared, decoded))
        return false;
    const std::string_view text = asIs ? std::string_view(bytes) : std::string_view(decoded);
    const size_t textRoot = FindRootStart(text);
    if (textRoot == std::string_view::npos)
        return false;
    const MarkupScan scan = ScanMarkup(text, textRoot);
    if (!scan.withinBound)
        return false;

    // NOBLANKS only spares work: it drops most blank text while parsing, and
    // the pass below removes the blank text that it keeps.
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr)
        return false;
    if (doc->intSubset != nullptr || doc->extSubset != nullptr || xmlDocGetRootElement(doc) == nullptr) {
        xmlFreeDoc(doc);
        return false;
    }
    // Files in UTF-16 are read but never written back: their surrounding
    // bytes cannot be kept exactly. Nor is a board whose element's end is not
    // found in its bytes: that is no reason not to read it, though.
    if (!wide) {
        const size_t start = asIs ? textRoot : FindRootStart(bytes);
        size_t end = std::string_view::npos;
        if (start != std::string_view::npos)
            end = asIs ? scan.rootEnd : ScanMarkup(bytes, start).rootEnd;
        changeable_ = end != std::string_view::npos;
        if (changeable_) {
            head_.assign(bytes, 0, start);
            tail_.assign(bytes, end, std::string::npos);
        }
    }
    RemoveBlankTextNodes(doc->children);
    doc_ = doc;
    return true;
}

bool BoardDocument::Serialise(std::string& out, Encoder encoder) const
{
    out.clear();
    if (!changeable())
        return false;
    const char* declared = reinterpret_cast<const char*>(doc_->encoding);
    const bool utf8 = declared == nullptr || xmlParseCharEncoding(declared) == XML_CHAR_ENCODING_UTF8;
    if (encoder == Encoder::Referencing && utf8)
        return false;
    const char* encoding = encoder == Encoder::Library && !utf8 ? declared : "UTF-8";
    std::string body;
    xmlSaveCtxtPtr ctxt = xmlSaveToIO(AppendToString, CloseNothing, &body, encoding, XML_SAVE_NO_DECL);
    if (ctxt == nullptr)
        return false;
    const long rc = xmlSaveTree(ctxt, xmlDocGetRootElement(doc_));
    if (xmlSaveClose(ctxt) < 0 || rc < 0)
        return false;
    if (encoder == Encoder::Referencing) {
        std::string encoded;
        if (!EncodeReferencing(body, declared, encoded))
            return false;
        body.swap(encoded);
    }
    out.reserve(head_.size() + body.size() + tail_.size());
    out.append(head_).append(body).append(tail_);
    return true;
}

void BoardDocument::RemoveBlankText(xmlNodePtr node)
{
    RemoveBlankTextNodes(node);
}

xmlNodePtr BoardDocument::firstNode() const
{
    return doc_ != nullptr ? doc_->children : nullptr;
}

xmlNodePtr BoardDocument::NextInDocumentOrder(xmlNodePtr node)
{
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr)
        return node->children;
    while (node != nullptr) {
        if (node->next != nullptr)
            return node->next;
        node = node->parent;
        if (node != nullptr && node->type == XML_DOCUMENT_NODE)
            return nullptr;
    }
    return nullptr;
}

// XPath's name test: the local name, and no namespace.
xmlNodePtr BoardDocument::FirstElementFrom(xmlNodePtr node, const char* name)
{
    for (; node != nullptr; node = NextInDocumentOrder(node)) {
        if (node->type == XML_ELEMENT_NODE && node->ns == nullptr && NameIs(node->name, name))
            return node;
    }
    return nullptr;
}

xmlNodePtr BoardDocument::FirstElement(const char* name) const
{
    return FirstElementFrom(firstNode(), name);
}

xmlNodePtr BoardDocument::FindMessage(std::string_view numberText) const
{
    for (xmlNodePtr node = FirstElementFrom(firstNode(), "message"); node != nullptr;
         node = FirstElementFrom(NextInDocumentOrder(node), "message")) {
        if (xmlHasNsProp(node, reinterpret_cast<const xmlChar*>("number"), nullptr) != nullptr &&
            Attribute(node, "number") == numberText)
            return node;
    }
    return nullptr;
}

// The DOM's tag-name match: the qualified name as written.
xmlNodePtr BoardDocument::FirstDescendant(xmlNodePtr element, const char* name)
{
    if (element == nullptr)
        return nullptr;
    for (xmlNodePtr node = element->children; node != nullptr;) {
        if (node->type == XML_ELEMENT_NODE && NameIs(node->name, name) &&
            (node->ns == nullptr || node->ns->prefix == nullptr))
            return node;
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            if (node == element)
                return nullptr;
        }
        if (node != nullptr)
            node = node->next;
    }
    return nullptr;
}

// A value held in one text node is read in place; anything else is gathered.
std::string BoardDocument::Attribute(xmlNodePtr element, const char* name)
{
    xmlAttrPtr attr = xmlHasNsProp(element, reinterpret_cast<const xmlChar*>(name), nullptr);
    if (attr == nullptr || attr->type != XML_ATTRIBUTE_NODE)
        return {};
    if (attr->children == nullptr)
        return {};
    if (attr->children->next == nullptr && attr->children->type == XML_TEXT_NODE &&
        attr->children->content != nullptr)
        return reinterpret_cast<const char*>(attr->children->content);
    xmlChar* value = xmlNodeListGetString(element->doc, attr->children, 1);
    if (value == nullptr)
        return {};
    std::string result(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return result;
}

std::string BoardDocument::TextContent(xmlNodePtr node)
{
    if (node == nullptr || node->children == nullptr)
        return {};
    xmlNodePtr only = node->children;
    if (only->next == nullptr && only->type == XML_TEXT_NODE && only->content != nullptr)
        return reinterpret_cast<const char*>(only->content);
    xmlChar* value = xmlNodeGetContent(node);
    if (value == nullptr)
        return {};
    std::string result(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return result;
}

std::string BoardDocument::TextAsRead(xmlNodePtr element)
{
    const xmlNodePtr only = element != nullptr ? element->children : nullptr;
    if (only != nullptr && only->next == nullptr && only->type == XML_TEXT_NODE && IsBlankText(only->content))
        return {};
    return TextContent(element);
}

void BoardDocument::SetAttribute(xmlNodePtr element, const char* name, const std::string& value)
{
    xmlSetProp(element, reinterpret_cast<const xmlChar*>(name),
               reinterpret_cast<const xmlChar*>(value.c_str()));
}

void BoardDocument::ReplaceText(xmlNodePtr element, const std::string& text) const
{
    while (element->children != nullptr) {
        xmlNodePtr child = element->children;
        xmlUnlinkNode(child);
        xmlFreeNode(child);
    }
    if (!text.empty())
        AppendText(element, text);
}

void BoardDocument::AppendText(xmlNodePtr parent, const std::string& text) const
{
    xmlNodePtr node = xmlNewDocTextLen(doc_, reinterpret_cast<const xmlChar*>(text.data()),
                                       static_cast<int>(text.size()));
    if (node != nullptr && xmlAddChild(parent, node) == nullptr)
        xmlFreeNode(node);
}

xmlNodePtr BoardDocument::NewElement(const char* name) const
{
    return xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>(name), nullptr);
}
