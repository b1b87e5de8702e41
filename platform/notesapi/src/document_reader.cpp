// Reads the items of one <document> element: text, number and date lists,
// rich text as plain lines, names items and $FILE attachments. Elements it
// does not know are skipped.
//
// Rich text becomes one line per paragraph (and per section title): line
// breaks and tabs kept, a link as "text (URL)", a picture as "[picture]",
// an attachment's icon as "[attachment: name]", a table row as one line
// with its cells separated by tabs. Formulas and scripts of hotspots and
// computed text are code, not text, and are left out.
//
// A picture that carries its image (GIF, JPEG, PNG or BMP data) becomes an
// attachment of the document as well, named by its place among the
// document's pictures ("picture-1.jpg"), and its text names it:
// "[picture: picture-1.jpg]".
#include "index.h"
#include "plain_xml.h"
#include "xml_support.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <random>

namespace notesapi {

namespace {

enum class Capture { None, Value, Paragraph, FileData };

struct DocState : ReaderBase {
    DocumentItems* out = nullptr;
    int depth = 0;
    int itemDepth = -1;
    Item* item = nullptr;  // the one being read, last of out->items
    std::shared_ptr<Attachment> attachment;
    Capture capture = Capture::None;
    std::string buffer;
    size_t documentBytes = 0;  // no value is longer than its document
    bool inRichText = false;
    int parDepth = -1;
    int skipDepth = -1;  // inside a picture or code: its characters are not text
    int linkDepth = -1;
    std::string linkHref;
    size_t linkStart = 0;
    int rowDepth = -1;  // the outermost table row being read, kept as one line
    std::string row;
    size_t rowCells = 0;
    bool rowCellEmpty = true;
    // The picture being read: where its text goes in the paragraph (npos
    // when it stands outside one), its image's extension and data.
    int pictureDepth = -1;
    size_t pictureAt = std::string::npos;
    std::string pictureExtension;
    bool inPictureData = false;
    std::string pictureData;
    int pictures = 0;  // of the document so far
};

// The file extension of a picture's image element; empty for the kinds no
// other program reads (Notes bitmaps, metafiles).
std::string_view PictureExtension(std::string_view element) {
    if (element == "gif") return "gif";
    if (element == "jpeg") return "jpg";
    if (element == "png") return "png";
    if (element == "bmp") return "bmp";
    return {};
}

void ResetRichText(DocState* st) {
    st->inRichText = false;
    st->parDepth = st->skipDepth = st->linkDepth = st->rowDepth = st->pictureDepth = -1;
    st->inPictureData = false;
    st->pictureData.clear();
    st->row.clear();
}

void CharData(void* ud, const XML_Char* s, int len) {
    auto* st = static_cast<DocState*>(ud);
    if (st->inPictureData) {
        st->pictureData.append(s, size_t(len));
        return;
    }
    if (st->capture == Capture::None || st->skipDepth >= 0) return;
    std::string& b = st->buffer;
    // Grow as usual, never past the document's size, so that a huge value
    // does not end up in a buffer nearly twice its size; past a megabyte, to
    // the document's size at once, so that a long value is not copied as it
    // grows (each time held twice for a moment).
    constexpr size_t kLongValue = size_t(1) << 20;
    const size_t wanted = b.size() + size_t(len);
    if (wanted > b.capacity() && b.capacity() < st->documentBytes)
        b.reserve(std::max(wanted, wanted > kLongValue ? st->documentBytes : std::min(b.capacity() * 2, st->documentBytes)));
    b.append(s, size_t(len));
}

void SetType(Item* item, ItemType t) {
    if (item->values.empty() && item->dates.empty()) item->type = t;
}

void StartPicture(DocState* st, bool inParagraph) {
    st->skipDepth = st->pictureDepth = st->depth;
    st->pictureAt = inParagraph ? st->buffer.size() : std::string::npos;
    st->pictureExtension.clear();
    st->pictureData.clear();
}

// The picture's text, and its image as an attachment when it has one.
void FinishPicture(DocState* st, Item& item) {
    std::string text = "[picture]";
    if (!st->pictureExtension.empty() && st->pictureData.find_first_not_of(" \t\r\n") != std::string::npos) {
        auto picture = std::make_shared<Attachment>();
        picture->name = "picture-" + std::to_string(++st->pictures) + "." + st->pictureExtension;
        picture->base64 = std::move(st->pictureData);
        picture->richTextItem = item.name;
        text = "[picture: " + picture->name + "]";
        st->out->attachments.push_back(std::move(picture));
    }
    if (st->pictureAt != std::string::npos) st->buffer.insert(std::min(st->pictureAt, st->buffer.size()), text);
    else if (text != "[picture]") item.values.push_back(std::move(text));
    st->pictureData.clear();
    st->pictureDepth = -1;
}

void RichTextStart(DocState* st, std::string_view local, const XML_Char** atts) {
    if (st->skipDepth >= 0) {
        // The image of a picture, but not the icon of an attachment.
        if (st->pictureDepth >= 0 && st->depth == st->pictureDepth + 1 && st->pictureExtension.empty()) {
            st->pictureExtension = PictureExtension(local);
            st->inPictureData = !st->pictureExtension.empty();
        }
        return;
    }
    if (local == "tablerow" && st->rowDepth < 0) {
        st->rowDepth = st->depth;
        st->row.clear();
        st->rowCells = 0;
        return;
    }
    if (local == "tablecell" && st->rowDepth >= 0 && st->depth == st->rowDepth + 1) {
        if (st->rowCells++ > 0) st->row += '\t';
        st->rowCellEmpty = true;
        return;
    }
    if (st->parDepth < 0) {
        if (local == "par" || local == "sectiontitle") {
            st->parDepth = st->depth;
            st->capture = Capture::Paragraph;
            st->buffer.clear();
        } else if (local == "picture") {
            StartPicture(st, false);
        } else if (local == "code") {
            st->skipDepth = st->depth;
        }
        return;
    }
    std::string& b = st->buffer;
    if (local == "break") {
        b += '\n';
    } else if (local == "tab") {
        b += '\t';
    } else if (local == "urllink" && st->linkDepth < 0) {
        const char* href = Attr(atts, "href");
        st->linkDepth = st->depth;
        st->linkHref = href ? href : "";
        st->linkStart = b.size();
    } else if (local == "picture") {
        StartPicture(st, true);
    } else if (local == "attachmentref") {
        const char* shown = Attr(atts, "displayname");
        const char* name = Attr(atts, "name");
        b += "[attachment: ";
        b += shown && *shown ? shown : name ? name : "";
        b += ']';
        st->skipDepth = st->depth;
    } else if (local == "code") {
        st->skipDepth = st->depth;
    }
}

// A link's text is followed by its address, unless the text is the address.
void FinishLink(DocState* st) {
    std::string& b = st->buffer;
    const std::string text = b.substr(st->linkStart);
    const size_t first = text.find_first_not_of(" \t\n"), last = text.find_last_not_of(" \t\n");
    const std::string_view shown = first == std::string::npos ? std::string_view() : std::string_view(text).substr(first, last - first + 1);
    if (!st->linkHref.empty() && shown != st->linkHref) b += shown.empty() ? st->linkHref : " (" + st->linkHref + ")";
    st->linkDepth = -1;
}

void FinishParagraph(DocState* st, Item& item) {
    if (st->rowDepth >= 0) {
        if (!st->buffer.empty()) {
            if (!st->rowCellEmpty) st->row += ' ';
            st->row += st->buffer;
            st->rowCellEmpty = false;
        }
    } else {
        item.values.push_back(std::move(st->buffer));
    }
    st->buffer.clear();
    st->capture = Capture::None;
    st->parDepth = -1;
}

void RichTextEnd(DocState* st, Item& item, std::string_view local) {
    if (st->inPictureData && st->depth == st->pictureDepth + 1) st->inPictureData = false;
    if (st->depth == st->skipDepth) {
        if (st->depth == st->pictureDepth) FinishPicture(st, item);
        st->skipDepth = -1;
    } else if (st->skipDepth >= 0) {
        return;
    } else if (st->depth == st->linkDepth) {
        FinishLink(st);
    } else if (st->depth == st->parDepth) {
        FinishParagraph(st, item);
    } else if (st->depth == st->rowDepth) {
        item.values.push_back(std::move(st->row));
        st->row.clear();
        st->rowDepth = -1;
    } else if (local == "richtext" && st->parDepth < 0) {
        ResetRichText(st);
    }
}

void OnStart(void* ud, const XML_Char* name, const XML_Char** atts) {
    auto* st = static_cast<DocState*>(ud);
    std::string_view local = LocalName(name);
    ++st->depth;
    if (st->depth == 2 && local == "item") {
        st->item = &st->out->items.emplace_back();
        const char* n = Attr(atts, "name");
        st->item->name = n ? n : "";
        st->item->shape = NameShape(st->item->name);
        st->item->names = AttrTrue(atts, "names");
        st->itemDepth = st->depth;
        return;
    }
    if (!st->item) return;
    if (st->inRichText) {
        RichTextStart(st, local, atts);
        return;
    }
    if (local == "text" || local == "number" || local == "datetime") {
        SetType(st->item, local == "text" ? ItemType::Text : local == "number" ? ItemType::Number : ItemType::Datetime);
        st->capture = Capture::Value;
        st->buffer.clear();
    } else if (local == "richtext") {
        SetType(st->item, ItemType::RichText);
        st->inRichText = true;
    } else if (local == "file") {
        st->attachment = std::make_shared<Attachment>();
        const char* n = Attr(atts, "name");
        st->attachment->name = n ? n : "";
    } else if (local == "filedata" && st->attachment) {
        st->capture = Capture::FileData;
        st->buffer.clear();
    }
}

void OnEnd(void* ud, const XML_Char* name) {
    auto* st = static_cast<DocState*>(ud);
    std::string_view local = LocalName(name);
    if (st->item) {
        Item& item = *st->item;
        if (st->inRichText && st->depth != st->itemDepth) {
            RichTextEnd(st, item, local);
        } else if (st->capture == Capture::Value && (local == "text" || local == "number" || local == "datetime")) {
            if (local == "datetime" && item.type == ItemType::Datetime) {
                if (auto dt = LNDatetime::FromDxl(st->buffer)) item.dates.push_back(*dt);
            } else {
                item.values.push_back(std::move(st->buffer));
            }
            st->capture = Capture::None;
            st->buffer.clear();
        } else if (st->capture == Capture::FileData && local == "filedata") {
            st->attachment->base64 = std::move(st->buffer);
            st->buffer.clear();
            st->capture = Capture::None;
        } else if (local == "file" && st->attachment) {
            st->out->attachments.push_back(std::move(st->attachment));
            st->attachment.reset();
            item.values.push_back(st->out->attachments.back()->name);
        }
        if (st->depth == st->itemDepth) {
            st->item = nullptr;
            st->itemDepth = -1;
            st->capture = Capture::None;
            ResetRichText(st);
        }
    }
    --st->depth;
}

Failure Malformed(XML_Parser parser, const DocState& st) {
    if (!st.refused.empty())
        return NotesError(LNERR_ENTITY, "A document of the database " + st.refused + "; it is not read.");
    return NotesError(LNERR_MALFORMED, std::string("A document of the database cannot be read: ") +
                                           XML_ErrorString(XML_GetErrorCode(parser)) + ".");
}

// A parser kept by each thread and reset between documents: making one and
// freeing it costs about a twentieth of reading a contact. A large document
// gets a parser of its own, so that no thread holds on to a large buffer.
constexpr uint64_t kReusedUpTo = 256 * 1024;

// Random, or 0 (the parser then seeds itself) when no random source answers.
unsigned long HashSalt() {
    try {
        std::random_device random;
        return (static_cast<unsigned long>(random()) << 32) ^ random();
    } catch (const std::exception&) {
        return 0;
    }
}

// A parser ready for a document of size bytes: the thread's own, reset, or
// a new one held in *own. Null when out of memory.
XML_Parser DocumentParser(const std::string& encoding, uint64_t size, ParserPtr* own) {
    const XML_Char* enc = encoding.empty() ? nullptr : encoding.c_str();
    if (size > kReusedUpTo) {
        own->reset(XML_ParserCreateNS(enc, kNsSeparator));
        return own->get();
    }
    thread_local ParserPtr kept;
    // The parser's hashing is seeded once per thread, where each parser would
    // ask the system for random bytes on every document.
    thread_local const unsigned long salt = HashSalt();
    if (kept && !XML_ParserReset(kept.get(), enc)) kept.reset();
    if (!kept) kept.reset(XML_ParserCreateNS(enc, kNsSeparator));
    if (kept && salt) XML_SetHashSalt(kept.get(), salt);
    return kept.get();
}

// Feeds bytes [begin, end) of fd to parser, the last of them as the end of
// its input when final. False with *failure set when they cannot be read or
// are not a well-formed document.
bool Feed(XML_Parser parser, int fd, uint64_t begin, uint64_t end, bool final, const std::string& path,
          const DocState& st, Failure* failure) {
    constexpr uint64_t kPiece = 1 << 20;
    for (uint64_t at = begin; at < end;) {
        const size_t want = size_t(std::min(kPiece, end - at));
        void* buf = XML_GetBuffer(parser, int(want));
        if (!buf) {
            *failure = NotesError(LNERR_MALFORMED, "Out of memory while reading a document.");
            return false;
        }
        const ssize_t n = base::PreadAll(fd, buf, want, at);
        if (n < 0) {
            *failure = NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be read: " + std::strerror(errno) + ".");
            return false;
        }
        if (n == 0) {
            *failure = NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be read: it ends before a document it held.");
            return false;
        }
        at += uint64_t(n);
        if (XML_ParseBuffer(parser, int(n), final && at >= end) == XML_STATUS_ERROR) {
            *failure = Malformed(parser, st);
            return false;
        }
    }
    if (final && begin >= end && XML_Parse(parser, "", 0, XML_TRUE) == XML_STATUS_ERROR) {
        *failure = Malformed(parser, st);
        return false;
    }
    return true;
}

// Documents up to this size are read whole and, when plainly written,
// tokenized without expat; a larger one is parsed by expat in pieces, so
// that none is held twice.
constexpr uint64_t kPlainUpTo = 1 << 20;

// Reads bytes [begin, end) of fd into to. False when they cannot all be read.
bool ReadBytes(int fd, uint64_t begin, uint64_t end, char* to) {
    return base::PreadAll(fd, to, size_t(end - begin), begin) == ssize_t(end - begin);
}

// Room for the bytes of a document: the thread's own, kept for documents up
// to kReusedUpTo, or one of its own for a larger document. Null when out of
// memory.
char* DocumentBytes(size_t size, std::unique_ptr<char[]>* own) {
    if (size > kReusedUpTo) {
        own->reset(new (std::nothrow) char[size]);
        return own->get();
    }
    thread_local std::unique_ptr<char[]> kept;
    if (!kept) kept.reset(new (std::nothrow) char[kReusedUpTo]);
    return kept.get();
}

// Whether ASCII bytes mean the same in text of the encoding (empty: UTF-8),
// so that they can be put before and after a document's own bytes.
bool AsciiCompatible(const std::string& encoding) {
    const std::string e = AsciiLower(encoding);
    return e.rfind("utf-16", 0) != 0 && e.rfind("utf16", 0) != 0 && e.rfind("ucs", 0) != 0 && e.rfind("utf-32", 0) != 0;
}

DocState NewState(uint64_t begin, uint64_t end, DocumentItems* out) {
    DocState st;
    st.out = out;
    st.documentBytes = size_t(end - begin);
    return st;
}

// Whether the span names bytes to skip within the document: one that is
// not inside it is not one.
bool Skips(const DocumentSpan& span, uint64_t begin, uint64_t end) {
    return begin < span.skipBegin && span.skipBegin < span.skipEnd && span.skipEnd < end;
}

}  // namespace

bool ReadPlainDocument(int fd, const DocumentSpan& span, DocumentItems* out) {
    const uint64_t begin = span.begin, end = std::max(span.begin, span.end);
    if (end - begin > kPlainUpTo) return false;
    const bool skip = Skips(span, begin, end);
    const size_t size = size_t(end - begin) - (skip ? size_t(span.skipEnd - span.skipBegin) : 0);
    std::unique_ptr<char[]> own;
    char* bytes = DocumentBytes(size, &own);
    if (!bytes) return false;
    const bool read = skip ? ReadBytes(fd, begin, span.skipBegin, bytes) &&
                                 ReadBytes(fd, span.skipEnd, end, bytes + (span.skipBegin - begin))
                           : ReadBytes(fd, begin, end, bytes);
    if (!read) return false;
    const size_t items = out->items.size(), attachments = out->attachments.size();
    DocState st = NewState(begin, end, out);
    if (ParsePlainXml(bytes, size, {&st, OnStart, OnEnd, CharData})) return true;
    out->items.erase(out->items.begin() + ptrdiff_t(items), out->items.end());
    out->attachments.erase(out->attachments.begin() + ptrdiff_t(attachments), out->attachments.end());
    return false;
}

Failure ReadDocumentWithExpat(int fd, const DocumentSpan& span, const std::string& path, const std::string& encoding,
                               DocumentItems* out, const std::string& namespaces) {
    const uint64_t begin = span.begin, end = std::max(span.begin, span.end);
    const bool skip = Skips(span, begin, end);
    DocState st = NewState(begin, end, out);
    ParserPtr own;
    XML_Parser parser = DocumentParser(encoding, end - begin, &own);
    if (!parser) return NotesError(LNERR_MALFORMED, "Out of memory while reading a document.");
    MakeParserSafe(parser, &st);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, CharData);
    // The document goes inside an element that declares the namespaces in
    // scope where it stands; that element is depth 0, the document depth 1.
    const bool wrap = !namespaces.empty() && AsciiCompatible(encoding);
    const std::string open = "<w" + namespaces + ">", close = "</w>";
    if (wrap) {
        st.depth = -1;
        if (XML_Parse(parser, open.data(), int(open.size()), XML_FALSE) == XML_STATUS_ERROR) {
            XML_SetUserData(parser, nullptr);
            return Malformed(parser, st);
        }
    }
    Failure failure;
    const bool last = !wrap;
    bool read = skip ? Feed(parser, fd, begin, span.skipBegin, false, path, st, &failure) &&
                           Feed(parser, fd, span.skipEnd, end, last, path, st, &failure)
                     : Feed(parser, fd, begin, end, last, path, st, &failure);
    if (read && wrap && XML_Parse(parser, close.data(), int(close.size()), XML_TRUE) == XML_STATUS_ERROR) {
        failure = Malformed(parser, st);
        read = false;
    }
    XML_SetUserData(parser, nullptr);  // the thread's parser outlives this state
    if (read) return std::nullopt;
    return failure;
}

Failure ReadDocument(int fd, const DocumentSpan& span, const std::string& path, const std::string& encoding,
                      const std::string& namespaces, DocumentItems* out) {
    const uint64_t size = std::max(span.begin, span.end) - span.begin;
    out->items.reserve(size_t(std::min<uint64_t>(size / 64 + 1, 256)));
    // Bytes it cannot read, or declines, are read again by expat, which
    // reports what is wrong with them.
    if (encoding.empty() && ReadPlainDocument(fd, span, out)) return std::nullopt;
    return ReadDocumentWithExpat(fd, span, path, encoding, out, namespaces);
}

}  // namespace notesapi
