#include "BoardDocument.h"

#include "core/AtomicFile.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <mutex>

namespace {

// Windows writes code page 932 under all of these names; glibc's own
// Shift_JIS converter rejects its extensions (①, ㈱, NEC and IBM kanji).
constexpr const char* kCp932Aliases[] = {
    "SHIFT_JIS", "SHIFT-JIS", "SJIS",   "MS_KANJI", "CSSHIFTJIS",
    "X-SJIS",    "WINDOWS-31J", "MS932", "X-MS-CP932",
};

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

bool EndsAt(std::string_view text, size_t end, std::string_view suffix)
{
    return end >= suffix.size() && text.compare(end - suffix.size(), suffix.size(), suffix) == 0;
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
// processing instructions and white space. npos when there is none.
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

// Byte offset just after the document element, found by walking its markup
// from the start tag: exact, but a pass over the whole file.
size_t ScanElementEnd(std::string_view bytes, size_t pos)
{
    int depth = 0;
    while ((pos = bytes.find('<', pos)) != std::string_view::npos) {
        if (const std::string_view closer = CloserOf(bytes, pos); !closer.empty()) {
            const size_t end = bytes.find(closer, pos + 2);
            if (end == std::string_view::npos)
                return end;
            pos = end + closer.size();
            continue;
        }
        const bool endTag = StartsWith(bytes, pos, "</");
        char quote = 0;
        size_t close = pos + 1;
        for (; close < bytes.size(); ++close) {
            const char c = bytes[close];
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (close >= bytes.size())
            return std::string_view::npos;
        if (endTag)
            --depth;
        else if (bytes[close - 1] != '/')
            ++depth;
        pos = close + 1;
        if (depth == 0)
            return pos;
    }
    return std::string_view::npos;
}

// Byte offset just after the document element's final ">", walking back over
// trailing white space and comments. A processing instruction may hold "<?",
// so one in the tail sends us to the exact walk.
size_t FindRootEnd(std::string_view bytes, size_t rootStart)
{
    size_t end = bytes.size();
    for (;;) {
        while (end > rootStart && IsXmlSpace(bytes[end - 1]))
            --end;
        if (end <= rootStart)
            return std::string_view::npos;
        if (EndsAt(bytes, end, "?>"))
            return ScanElementEnd(bytes, rootStart);
        if (!EndsAt(bytes, end, "-->"))
            return bytes[end - 1] == '>' ? end : std::string_view::npos;
        const size_t open = bytes.rfind("<!--", end - 3);
        if (open == std::string_view::npos || open <= rootStart)
            return std::string_view::npos;
        end = open;
    }
}

bool LooksLikeUtf16(std::string_view bytes)
{
    return StartsWith(bytes, 0, "\xFF\xFE") || StartsWith(bytes, 0, "\xFE\xFF") ||
           (bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0));
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

void BoardDocument::Close()
{
    if (doc_ != nullptr) {
        xmlFreeDoc(doc_);
        doc_ = nullptr;
    }
    head_.clear();
    tail_.clear();
}

bool BoardDocument::Load(const std::string& path)
{
    Close();
    std::string bytes;
    if (path.empty() || !AtomicFile::ReadAll(path, bytes))
        return false;
    return LoadFromBytes(std::move(bytes));
}

bool BoardDocument::LoadFromBytes(std::string bytes)
{
    Close();
    InitialiseLibxml();
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
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
    wideEncoding_ = LooksLikeUtf16(bytes);
    if (!wideEncoding_) {
        const size_t start = FindRootStart(bytes);
        const size_t end = start == std::string_view::npos ? start : FindRootEnd(bytes, start);
        if (end == std::string_view::npos) {
            xmlFreeDoc(doc);
            return false;
        }
        head_.assign(bytes, 0, start);
        tail_.assign(bytes, end, std::string::npos);
    }
    RemoveBlankTextNodes(doc->children);
    doc_ = doc;
    return true;
}

bool BoardDocument::Serialise(std::string& out) const
{
    out.clear();
    // Files in UTF-16 are read but never written back: their surrounding bytes
    // cannot be kept exactly, and a board must not be damaged by a change.
    if (doc_ == nullptr || wideEncoding_)
        return false;
    xmlNodePtr root = xmlDocGetRootElement(doc_);
    const char* encoding = doc_->encoding != nullptr ? reinterpret_cast<const char*>(doc_->encoding)
                                                     : "UTF-8";
    std::string body;
    xmlSaveCtxtPtr ctxt = xmlSaveToIO(AppendToString, CloseNothing, &body, encoding, XML_SAVE_NO_DECL);
    if (ctxt == nullptr)
        return false;
    const long rc = xmlSaveTree(ctxt, root);
    if (xmlSaveClose(ctxt) < 0 || rc < 0)
        return false;
    out.reserve(head_.size() + body.size() + tail_.size());
    out.append(head_).append(body).append(tail_);
    return true;
}

bool BoardDocument::Save(const std::string& path, std::string* error) const
{
    std::string bytes;
    if (!Serialise(bytes)) {
        if (error != nullptr)
            *error = "cannot serialise the board";
        return false;
    }
    return AtomicFile::Write(path, {bytes}, error);
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
