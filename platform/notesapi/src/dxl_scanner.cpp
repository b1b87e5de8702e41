// Streams a DXL file once and builds its index: views and folders with their
// selection formulas and columns, and every document's place in the file, its
// form, identity (note id, universal id, sequence, modification and revision
// times) and the values of the items that views select or sort by.
#include "dxl_scan.h"
#include "formula.h"
#include "xml_support.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace notesapi {

namespace {

constexpr uint32_t kNotSummarised = ScanResult::kNotSummarised;
// Longer values are not kept in the index: whoever needs them reads them from
// the document, so a huge value is never held by the index as well.
constexpr size_t kMaxSummaryBytes = 64 * 1024;

struct ScanState : ReaderBase {
    DatabaseIndex* index = nullptr;
    const ScanPart* part = nullptr;
    // The parser's input is bytes [0, prefixSize) of the file, then the
    // piece's: a byte of the piece is at its place in the input plus this.
    uint64_t prefixSize = 0;
    int64_t pieceShift = 0;
    int depth = 0;
    bool sawRoot = false;
    bool notDxl = false;
    uint64_t rootTagEnd = 0;
    std::string rootNamespaces;  // the declarations met before the root's start tag was reported
    bool sawDocument = false;
    ScanEnd end = ScanEnd::Complete;  // Stopped or Unsure once past part->stopAt

    // Views and folders.
    int viewDepth = -1;
    bool inSelectionCode = false;
    int selectionCodeDepth = -1;
    bool inFormula = false;

    // Documents.
    int docDepth = -1;
    int itemDepth = -1;
    bool itemSummarised = false;
    bool itemIsForm = false;
    // The document's first children that are not items, from the start of
    // the first to the end of the last: 0 before them, 1 among them, 2 after.
    int leadRun = 0;
    uint64_t leadBegin = 0, leadEnd = 0;
    bool leadPrefixed = false;  // a tag among them names a namespace prefix
    bool inNoteinfo = false;
    PackedDatetime DocRecord::*noteTime = nullptr;  // the <noteinfo> time being read
    bool capturing = false;   // collecting one value's characters
    bool captureIsDate = false;
    bool captureTooLarge = false;  // characters beyond the limit were dropped
    std::string capture;
    // What the items of the last documents were found to be, by their place
    // in the document: documents of one form list the same names in the same
    // order, so most items are known by their name's bytes alone. Forgotten
    // when a view makes more names summarised.
    struct KnownItem {
        std::string name;  // as written
        bool valid = false, summarised = false, isForm = false;
        uint32_t id = 0;
    };
    std::vector<KnownItem> known;
    size_t itemPlace = 0;  // of the next item in its document
    std::string itemName;  // the item's name, folded
    Summary current;

    // Per lower-case item name id: first document whose values are kept.
    std::vector<uint32_t> summaryStart;

    // Values kept so far, by their text: names, companies and categories
    // repeat from document to document, and each is kept once. At most
    // kMaxKeptValues are looked up, so that a file of unique values costs
    // the scan a bounded table.
    std::unordered_map<std::string_view, TextArena::Span> keptValues;
    static constexpr size_t kMaxKeptValues = 1 << 16;
};

void ScanCharData(void* ud, const XML_Char* s, int len);

// Where in the file the event being reported starts, and where it ends.
uint64_t EventBegin(const ScanState* st) {
    const uint64_t at = uint64_t(XML_GetCurrentByteIndex(st->parser));
    return at < st->prefixSize ? at : uint64_t(int64_t(at) + st->pieceShift);
}
uint64_t EventEnd(const ScanState* st) { return EventBegin(st) + uint64_t(XML_GetCurrentByteCount(st->parser)); }

// True (and the parser stopped) once an event lies at or past the place where
// the next piece begins: Stopped when it is that piece's first document
// starting at the database's top level, as the piece assumed; Unsure when not.
bool PastStop(ScanState* st, bool startOfDocument) {
    const uint64_t at = EventBegin(st);
    if (at < st->part->stopAt) return false;
    st->end = at == st->part->stopAt && startOfDocument ? ScanEnd::Stopped : ScanEnd::Unsure;
    XML_StopParser(st->parser, XML_FALSE);
    return true;
}

void StartCapture(ScanState* st, bool isDate) {
    st->capturing = true;
    st->captureIsDate = isDate;
    st->captureTooLarge = false;
    st->capture.clear();
    XML_SetCharacterDataHandler(st->parser, ScanCharData);
}

void StopCapture(ScanState* st) {
    st->capturing = false;
    XML_SetCharacterDataHandler(st->parser, nullptr);
}

void ScanCharData(void* ud, const XML_Char* s, int len) {
    auto* st = static_cast<ScanState*>(ud);
    // A formula longer than a formula may be is kept one byte too long, so
    // that parsing it names the reason.
    const size_t limit = st->inFormula ? Formula::kMaxTextBytes + 1 : kMaxSummaryBytes;
    size_t n = size_t(len);
    if (st->capture.size() + n > limit) {
        st->captureTooLarge = true;
        n = limit - st->capture.size();
    }
    st->capture.append(s, n);
}

void MarkSummarised(ScanState* st, const std::string& lowerName) {
    uint32_t id = st->index->Intern(lowerName);
    if (st->summaryStart.size() <= id) st->summaryStart.resize(id + 1, kNotSummarised);
    if (st->summaryStart[id] == kNotSummarised) st->summaryStart[id] = uint32_t(st->index->docs.size());
}

void FinishView(ScanState* st) {
    st->known.clear();
    ViewInfo& v = st->index->views.back();
    for (const auto& c : v.columns)
        if ((c.sorted || c.categorized) && !c.itemName.empty()) MarkSummarised(st, AsciiLower(c.itemName));
    std::unique_ptr<Formula> f;
    if (!v.selection.empty() && !Formula::Parse(v.selection, &f))
        for (const auto& name : f->ReferencedItems()) MarkSummarised(st, name);
}

// The names whose values are kept from the first document on.
std::vector<std::string> SummarisedNames(const ScanState* st) {
    std::vector<std::string> names;
    for (size_t id = 0; id < st->summaryStart.size(); ++id)
        if (st->summaryStart[id] == 0) names.push_back(st->index->strings[id]);
    return names;
}

TextArena::Span KeepValue(ScanState* st, std::string_view value) {
    const auto found = st->keptValues.find(value);
    if (found != st->keptValues.end()) return found->second;
    const TextArena::Span span = st->index->arena.Add(value);
    if (st->keptValues.size() < ScanState::kMaxKeptValues) st->keptValues.emplace(st->index->arena.At(span), span);
    return span;
}

bool IsSummarisedNow(ScanState* st, std::string_view lowerName, uint32_t* id) {
    auto found = st->index->FindString(lowerName);
    if (!found || *found >= st->summaryStart.size() || st->summaryStart[*found] == kNotSummarised) return false;
    *id = *found;
    return true;
}

// Whether the start tag being reported may name a namespace prefix: an
// element or attribute with one, or a declaration of one. A document read
// alone knows only the prefixes it declares itself, so such bytes are left
// for its reader to judge. True when the tag's bytes cannot be seen.
bool TagNamesAPrefix(XML_Parser parser) {
    int offset = 0, size = 0;
    const char* context = XML_GetInputContext(parser, &offset, &size);
    const int count = XML_GetCurrentByteCount(parser);
    if (!context || offset < 0 || count <= 0 || offset + count > size) return true;
    return std::memchr(context + offset, ':', size_t(count)) != nullptr;
}

// A sequence number: decimal digits that fit 32 bits; anything else reads as 0.
uint32_t SequenceNumber(std::string_view text) {
    uint64_t v = 0;
    if (text.empty() || text.size() > 10) return 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + uint64_t(c - '0');
    }
    return v > std::numeric_limits<uint32_t>::max() ? 0 : uint32_t(v);
}

void ScanStart(void* ud, const XML_Char* name, const XML_Char** atts) {
    auto* st = static_cast<ScanState*>(ud);
    std::string_view local = LocalName(name);
    const bool topDocument = st->depth == 1 && st->viewDepth < 0 && local == "document";
    if (PastStop(st, topDocument)) return;
    ++st->depth;
    // An entity can only be referred to in an attribute's value.
    if (atts[0] && !CheckAttributeEntities(st)) return;
    if (!st->sawRoot) {
        st->sawRoot = true;
        std::string_view full(name);
        if (local != "database" || full.substr(0, kDxlNamespace.size()) != kDxlNamespace) {
            st->notDxl = true;
            XML_StopParser(st->parser, XML_FALSE);
            return;
        }
        st->index->rootNamespaces = std::move(st->rootNamespaces);
        if (const char* t = Attr(atts, "title")) st->index->title = t;
        if (const char* r = Attr(atts, "replicaid")) st->index->replicaId = LNReplicaID(r);
        st->rootTagEnd = EventEnd(st);
        return;
    }
    if (st->docDepth >= 0) {
        const int rel = st->depth - st->docDepth;
        const bool item = rel == 1 && local == "item";
        if (rel == 1 && !item && st->leadRun == 0) {
            st->leadRun = 1;
            st->leadBegin = st->leadEnd = EventBegin(st);
        } else if (item && st->leadRun == 1) {
            st->leadRun = 2;
        }
        if (st->leadRun == 1 && !st->leadPrefixed) st->leadPrefixed = TagNamesAPrefix(st->parser);
        if (item) {
            st->itemDepth = st->depth;
            const char* written = Attr(atts, "name");
            const std::string_view name = written ? written : "";
            if (st->known.size() <= st->itemPlace) st->known.resize(st->itemPlace + 1);
            ScanState::KnownItem& known = st->known[st->itemPlace++];
            if (!known.valid || known.name != name) {
                // Folded in a buffer kept for every item, not a new string each.
                std::string& lower = st->itemName;
                lower.assign(name);
                for (char& c : lower) c = base::AsciiLower(c);
                known.name.assign(name);
                known.valid = true;
                known.id = 0;
                known.isForm = lower == "form";
                known.summarised = IsSummarisedNow(st, lower, &known.id);
            }
            st->itemIsForm = known.isForm;
            st->itemSummarised = known.summarised;
            const uint32_t id = known.id;
            if (st->itemSummarised) {
                st->current = Summary{};
                st->current.name = id;
            }
        } else if (rel == 1 && local == "noteinfo") {
            st->inNoteinfo = true;
            DocRecord& doc = st->index->docs.back();
            if (const char* id = Attr(atts, "noteid")) doc.noteId = uint32_t(std::strtoul(id, nullptr, 16));
            if (const char* unid = Attr(atts, "unid")) doc.unid = LNUniversalID(unid);
            if (const char* seq = Attr(atts, "sequence")) doc.sequence = SequenceNumber(seq);
        } else if (st->inNoteinfo && rel == 2) {
            if (local == "modified") st->noteTime = &DocRecord::modified;
            else if (local == "revised") st->noteTime = &DocRecord::revised;
            else if (local == "created") st->noteTime = &DocRecord::created;
        } else if (st->noteTime && local == "datetime") {
            StartCapture(st, true);
        } else if (st->itemDepth >= 0 && (st->itemSummarised || st->itemIsForm) &&
                   (local == "text" || local == "number" || local == "datetime")) {
            StartCapture(st, local == "datetime");
        }
        return;
    }
    if (st->viewDepth >= 0) {
        if (local == "column") {
            ColumnInfo c;
            if (const char* item = Attr(atts, "itemname")) c.itemName = item;
            if (const char* sort = Attr(atts, "sort")) {
                std::string_view s(sort);
                c.sorted = s == "ascending" || s == "descending";
                c.descending = s == "descending";
            }
            c.categorized = AttrTrue(atts, "categorized");
            st->index->views.back().columns.push_back(std::move(c));
        } else if (local == "code" && st->depth == st->viewDepth + 1) {
            const char* ev = Attr(atts, "event");
            if (ev && std::string_view(ev) == "selection") {
                st->inSelectionCode = true;
                st->selectionCodeDepth = st->depth;
            }
        } else if (local == "formula" && st->inSelectionCode) {
            StartCapture(st, false);
            st->inFormula = true;
        }
        return;
    }
    if (st->depth == 2 && (local == "view" || local == "folder")) {
        ViewInfo v;
        const char* n = Attr(atts, "name");
        v.name = n ? n : "";
        v.isFolder = local == "folder";
        st->index->views.push_back(std::move(v));
        st->viewDepth = st->depth;
    } else if (st->depth == 2 && local == "document") {
        DocRecord d;
        d.begin = EventBegin(st);
        if (!st->sawDocument) {
            st->sawDocument = true;
            if (st->part->atFirstDocument) st->part->atFirstDocument(d.begin, st->rootTagEnd, SummarisedNames(st));
        }
        d.form = st->index->Intern(Attr(atts, "form") ? Attr(atts, "form") : "");
        d.firstSummary = uint32_t(st->index->summaries.size());
        d.firstValue = uint32_t(st->index->values.size());
        st->index->docs.push_back(d);
        st->docDepth = st->depth;
        st->leadRun = 0;
        st->leadPrefixed = false;
        st->itemPlace = 0;
    }
}

void ScanEndTag(void* ud, const XML_Char* name) {
    auto* st = static_cast<ScanState*>(ud);
    if (PastStop(st, false)) return;
    std::string_view local = LocalName(name);
    DatabaseIndex* ix = st->index;
    if (st->capturing && (local == "text" || local == "number" || local == "datetime" || local == "formula")) {
        StopCapture(st);
        if (st->inFormula) {
            ix->views.back().selection = st->capture;
            st->inFormula = false;
        } else if (st->noteTime) {
            if (auto dt = LNDatetime::FromDxl(st->capture)) ix->docs.back().*(st->noteTime) = PackedDatetime(*dt);
        } else if (st->captureTooLarge) {
            if (st->itemSummarised) st->current.large = true;
        } else {
            std::string value = st->capture;
            if (st->captureIsDate)
                if (auto dt = LNDatetime::FromDxl(value)) value = dt->Text();
            if (st->itemIsForm && st->current.valueCount == 0) ix->docs.back().form = ix->Intern(value);
            if (st->itemSummarised) {
                ix->values.push_back(KeepValue(st, value));
                ++st->current.valueCount;
            }
        }
    }
    if (st->depth == st->itemDepth) {
        if (st->itemSummarised) {
            ix->summaries.push_back(st->current);
            ++ix->docs.back().summaryCount;
        }
        st->itemDepth = -1;
        st->itemSummarised = st->itemIsForm = false;
    } else if (st->inSelectionCode && st->depth == st->selectionCodeDepth) {
        st->inSelectionCode = false;
    } else if (st->noteTime && st->depth == st->docDepth + 2) {
        st->noteTime = nullptr;
    } else if (st->inNoteinfo && local == "noteinfo") {
        st->inNoteinfo = false;
    }
    if (st->leadRun == 1 && st->docDepth >= 0 && st->depth == st->docDepth + 1)
        st->leadEnd = EventEnd(st);
    if (st->depth == st->docDepth) {
        DocRecord& d = ix->docs.back();
        const uint64_t end = EventEnd(st);
        d.size = uint32_t(std::min<uint64_t>(end - d.begin, DocRecord::kSizeUnknown));
        if (d.size != DocRecord::kSizeUnknown && st->leadRun > 0 && !st->leadPrefixed && d.begin < st->leadBegin &&
            st->leadBegin < st->leadEnd && st->leadEnd < end) {
            d.skipAt = uint32_t(st->leadBegin - d.begin);
            d.skipSize = uint32_t(st->leadEnd - st->leadBegin);
        }
        st->docDepth = -1;
    } else if (st->depth == st->viewDepth) {
        FinishView(st);
        st->viewDepth = -1;
    }
    --st->depth;
}

// Keeps the root's namespace declarations as attributes that declare them
// again: every document's bytes are read alone, and its prefixes are
// bound there.
void OnNamespaceDecl(void* ud, const XML_Char* prefix, const XML_Char* uri) {
    auto* st = static_cast<ScanState*>(ud);
    if (st->sawRoot) return;
    std::string& out = st->rootNamespaces;
    out += prefix ? std::string(" xmlns:") + prefix + "=\"" : std::string(" xmlns=\"");
    for (const char* c = uri ? uri : ""; *c; ++c) {
        if (*c == '&') out += "&amp;";
        else if (*c == '<') out += "&lt;";
        else if (*c == '"') out += "&quot;";
        else out += *c;
    }
    out += '"';
}

void OnXmlDecl(void* ud, const XML_Char*, const XML_Char* encoding, int) {
    auto* st = static_cast<ScanState*>(ud);
    if (encoding) {
        std::string e = AsciiLower(encoding);
        if (e != "utf-8" && e != "utf8") st->index->encoding = encoding;
    }
}

// A file refused for what its DOCTYPE declares or an entity it uses.
NotesError Refusal(const ScanState& st, const std::string& name) {
    const std::string where = " (line " + std::to_string(st.refusedLine) + ", column " +
                              std::to_string(st.refusedColumn) + ")";
    if (st.refusedEntityDeclaration)
        return NotesError(LNERR_ENTITY, "The file " + name + " declares its own XML entities" + where +
                                            ". A DXL export never does; the file is refused so that nothing in it "
                                            "is expanded.");
    if (!st.undeclaredEntity.empty())
        return NotesError(LNERR_ENTITY, "The file " + name + " uses the entity &" + st.undeclaredEntity + ";" + where +
                                            ", which it does not declare. The file is refused rather than read with "
                                            "parts left out; export the database again.");
    return NotesError(LNERR_ENTITY, "The file " + name + " " + st.refused + where +
                                        ". A DXL export never does; the file is refused so that nothing in it is "
                                        "read other than as written.");
}

// Why the parser stopped with an error; atEnd when all bytes had been given.
NotesError ParseFailure(const ScanState& st, XML_Parser parser, bool atEnd, const std::string& name) {
    if (!st.refused.empty()) return Refusal(st, name);
    if (st.notDxl)
        return NotesError(LNERR_NOT_DXL, "The file " + name + " is XML but not a DXL export of a Notes "
                          "database (its root element is not <database> in the DXL namespace).");
    XML_Error code = XML_GetErrorCode(parser);
    std::string where = " (line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ", column " +
                        std::to_string(XML_GetCurrentColumnNumber(parser)) + ": " + XML_ErrorString(code) + ")";
    if (!st.sawRoot)
        return NotesError(LNERR_NOT_DXL, "The file " + name + " is not a DXL export of a Notes database" + where +
                          ". Choose a .dxl file exported from Notes.");
    if (code == XML_ERROR_NO_ELEMENTS || code == XML_ERROR_UNCLOSED_TOKEN || code == XML_ERROR_PARTIAL_CHAR ||
        (atEnd && code != XML_ERROR_NONE))
        return NotesError(LNERR_MALFORMED, "The DXL file " + name + " ends before the database is complete" + where +
                          ". It may be truncated; export the database again.");
    return NotesError(LNERR_MALFORMED, "The DXL file " + name + " is damaged" + where + ". Export the database again.");
}

ScanResult Failed(NotesError error) { return ScanResult::Ended(ScanEnd::Failed, std::move(error)); }

}  // namespace

ScanResult ScanDxl(const ScanPart& part, DatabaseIndex* index, const std::string& path, const std::string& name) {
    ScanState st;
    st.index = index;
    st.part = &part;
    for (const std::string& n : part.summarised) MarkSummarised(&st, n);
    ParserPtr parser = NewSafeParser("", &st);
    if (!parser) return Failed(NotesError(LNERR_FILE_OPEN, "Out of memory while opening " + name + "."));
    XML_SetElementHandler(parser.get(), ScanStart, ScanEndTag);
    XML_SetXmlDeclHandler(parser.get(), OnXmlDecl);
    XML_SetStartNamespaceDeclHandler(parser.get(), OnNamespaceDecl);
    st.prefixSize = part.prefixSize;
    st.pieceShift = int64_t(part.begin) - int64_t(part.prefixSize);

    // The prefix, then the piece; the end of the file is said by an empty
    // last parse, so that an error there reads as a truncated file.
    const uint64_t ranges[2][2] = {{0, part.prefixSize}, {part.begin, part.fileSize}};
    constexpr size_t kChunk = 1 << 20;
    for (const auto& range : ranges) {
        for (uint64_t at = range[0]; at < range[1] && st.end == ScanEnd::Complete;) {
            if (part.cancel && part.cancel->load(std::memory_order_relaxed)) return ScanResult::Ended(ScanEnd::Cancelled);
            const size_t want = size_t(std::min<uint64_t>(kChunk, range[1] - at));
            void* buf = XML_GetBuffer(parser.get(), int(want));
            if (!buf) return Failed(NotesError(LNERR_FILE_OPEN, "Out of memory while reading " + name + "."));
            const ssize_t n = base::PreadAll(part.fd, buf, want, at);
            if (n < 0)
                return Failed(NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be read: " +
                                                               std::strerror(errno) + "."));
            if (n == 0) break;  // the file is shorter than it was: the parse says what is missing
            at += uint64_t(n);
            if (XML_ParseBuffer(parser.get(), int(n), false) == XML_STATUS_ERROR) {
                if (st.end == ScanEnd::Stopped) continue;
                if (st.end == ScanEnd::Unsure) return ScanResult::Ended(ScanEnd::Unsure);
                return Failed(ParseFailure(st, parser.get(), false, name));
            }
        }
    }
    ScanResult r;
    if (st.end == ScanEnd::Stopped) {
        r.end = ScanEnd::Stopped;
    } else if (XML_ParseBuffer(parser.get(), 0, true) == XML_STATUS_ERROR) {
        if (st.end == ScanEnd::Unsure) return ScanResult::Ended(ScanEnd::Unsure);
        return Failed(ParseFailure(st, parser.get(), true, name));
    } else if (!st.sawRoot) {
        return Failed(NotesError(LNERR_NOT_DXL, "The file " + name + " is not a DXL export of a Notes database."));
    } else if (part.stopAt != UINT64_MAX) {
        return ScanResult::Ended(ScanEnd::Unsure);  // the next piece's start was never met
    }
    r.summaryStart = std::move(st.summaryStart);
    return r;
}

}  // namespace notesapi
