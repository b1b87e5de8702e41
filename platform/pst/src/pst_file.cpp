#include <pst/pst_file.h>

#include <base/ascii.h>
#include <base/ordered_window.h>

#include "attachment_objects.h"
#include "folder_tables.h"
#include "growing_table.h"
#include "heap.h"
#include "layout.h"
#include "name_map.h"
#include "node_database.h"
#include "property_context.h"
#include "table_context.h"

#include <mapi/tags.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <random>
#include <thread>
#include <unordered_map>
#include <unistd.h>

namespace pst {

namespace {
constexpr Nid kNidStore = nid::kMessageStore, kNidNameMap = nid::kNameToIdMap, kNidRoot = nid::kRootFolder,
              kNidIpm = nid::kIpmSubtree, kNidSearchRoot = nid::kSearchRoot, kNidDeleted = nid::kDeletedItems;
// The categories of an item (PidNameKeywords), a string-named property every
// Outlook store maps.
const char* const kKeywordsName = mapi::PidNameKeywords.name;
constexpr uint32_t kMaxSharedOwners = 60000;
// A folder's list of items is written whole while it is short, and by pieces
// once it holds this many rows.
constexpr size_t kGrowingTableRows = 1024;

using mapi::PropType;

int64_t Now() {
    using namespace std::chrono;
    // FILETIME counts 100 ns ticks from 1601; the Unix epoch is 11644473600 s later.
    auto since = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return since / 100 + 116444736000000000LL;
}

mapi::Binary RandomBytes(size_t n) {
    // One generator per thread: stores written on two threads at once share nothing.
    thread_local std::mt19937_64 rng{std::random_device{}()};
    mapi::Binary b(n);
    for (auto& x : b) x = uint8_t(rng());
    return b;
}

// The values every item has unless it says otherwise.
const mapi::PropertyValue kIpmNote{std::string("IPM.Note")};
const mapi::PropertyValue kReadFlag{int32_t(mapi::kMsgFlagRead)};
const mapi::PropertyValue kOne{int32_t(1)};
const mapi::PropertyValue kZero{int32_t(0)};

// An item's properties as they are written: references to the caller's
// values and to the few the store adds, which live here (so it stays put).
struct MessageProps {
    static constexpr size_t kAdded = 9;  // at most as many as the store adds
    std::array<mapi::PropertyValue, 4> own;  // times, search key, size, flags
    PropRefs refs;
    MessageProps() = default;
    MessageProps(const MessageProps&) = delete;
    MessageProps& operator=(const MessageProps&) = delete;
};

template <class T>
T Get(const PropMap& p, uint16_t id, T fallback) {
    auto it = p.find(id);
    if (it == p.end()) return fallback;
    if (auto* v = std::get_if<T>(&it->second.value)) return *v;
    return fallback;
}
}  // namespace

struct FolderState {
    Nid nid = 0;
    Nid parent = 0;
    std::string name;
    std::string containerClass;
    std::vector<Nid> children;
    // The list of items: rows not written yet (every row while the list is
    // short), and the written table once it is long.
    ContentRows rows;
    std::unique_ptr<GrowingTable> table;
    std::unordered_map<Nid, size_t> rowOf;  // index into rows, for rows [0, rowOf.size())
    bool rowsLoaded = true;
    int32_t contentCount = 0;
    int32_t unreadCount = 0;
    bool dirtyProps = true, dirtyHierarchy = true, dirtyContents = true;
};

struct PstFile::Impl {
    std::unique_ptr<NodeDatabase> db;
    NameMap names;
    std::map<Nid, FolderState> folders;
    mapi::Binary recordKey;
    std::string displayName;
    SubnodeEntry sharedRecipients;  // an empty recipient table every item can share
    Bid sharedSubnodes = 0;         // a subnode block holding only that table
    bool closed = false;

    FolderState& FolderAt(Nid nid) {
        auto it = folders.find(nid);
        if (it == folders.end()) throw PstError(ErrorKind::NotFound, "The folder does not exist in the store");
        return it->second;
    }

    mapi::Binary EntryId(Nid nid) const {
        // Flags, the store's record key, then the node id.
        mapi::Binary id(entryId::kSize, 0);
        std::copy_n(recordKey.begin(), std::min(entryId::kProviderUidSize, recordKey.size()), id.begin() + entryId::kProviderUid);
        base::Put32(&id[entryId::kNid], nid);
        return id;
    }

    void WriteNode(Nid nid, const EncodedNode& enc, Nid parent) { db->SetNode(nid, StoreNode(*db, enc, parent)); }

    void WriteStore() {
        PropMap p;
        p[mapi::PidTagRecordKey.id] = {PropType::Binary, recordKey};
        p[mapi::PidTagDisplayName.id] = {PropType::Unicode, displayName};
        p[mapi::PidTagIpmSubtreeEntryId.id] = {PropType::Binary, EntryId(kNidIpm)};
        p[mapi::PidTagIpmWastebasketEntryId.id] = {PropType::Binary, EntryId(kNidDeleted)};
        p[mapi::PidTagFinderEntryId.id] = {PropType::Binary, EntryId(kNidSearchRoot)};
        p[mapi::PidTagValidFolderMask.id] = {PropType::Int32, int32_t(0x89)};
        WriteNode(kNidStore, EncodePropertyContext(p), 0);
    }

    void EnsureSharedRecipients() {
        if (sharedSubnodes != 0 && sharedOwners < kMaxSharedOwners) return;
        // Owner counts are 16-bit on disk: start a fresh shared pair well before that.
        if (sharedSubnodes != 0) db->Release(sharedSubnodes);
        EncodedNode t = EncodeRecipientTable();
        sharedRecipients = {kNidRecipientTable, db->WriteDataTree(t.blocks), 0};
        sharedSubnodes = db->WriteSubnodes({sharedRecipients});
        sharedOwners = 0;
    }
    uint32_t sharedOwners = 0;

    // The properties an item is stored with: the caller's (named ones mapped
    // to ids), then kept (of the item it replaces), then what every item has;
    // its flags tell whether it has attachments.
    void MessageProperties(const mapi::PropertyBag& properties, const PropMap& kept, bool hasAttachments,
                           MessageProps& out) {
        PropRefs& p = out.refs;
        p.clear();
        p.reserve(properties.All().size() + kept.size() + MessageProps::kAdded);
        for (const auto& [key, value] : properties.All()) {
            uint16_t id = key.IsNamed() ? names.IdFor(key.Name()) : key.TagId();
            p.push_back({id, key.type, &value});
        }
        // Of keys that map to one id, the later one is stored.
        std::stable_sort(p.begin(), p.end(), [](const PropRef& a, const PropRef& b) { return a.id < b.id; });
        auto lastOfEach = std::unique(p.rbegin(), p.rend(), [](const PropRef& a, const PropRef& b) { return a.id == b.id; });
        p.erase(p.begin(), lastOfEach.base());
        auto at = [&p](uint16_t id) {
            return std::lower_bound(p.begin(), p.end(), id, [](const PropRef& r, uint16_t want) { return r.id < want; });
        };
        auto add = [&](uint16_t id, PropType type, const mapi::PropertyValue* value) {
            auto it = at(id);
            if (it == p.end() || it->id != id) p.insert(it, PropRef{id, type, value});
        };
        for (const auto& [id, v] : kept) add(id, v.type, &v.value);
        out.own[0] = mapi::FileTime{Now()};
        out.own[1] = RandomBytes(16);
        add(mapi::PidTagMessageClass.id, PropType::Unicode, &kIpmNote);
        add(mapi::PidTagMessageFlags.id, PropType::Int32, &kReadFlag);
        add(mapi::PidTagImportance.id, PropType::Int32, &kOne);
        add(mapi::PidTagSensitivity.id, PropType::Int32, &kZero);
        add(mapi::PidTagMessageStatus.id, PropType::Int32, &kZero);
        add(mapi::PidTagCreationTime.id, PropType::SysTime, &out.own[0]);
        add(mapi::PidTagLastModificationTime.id, PropType::SysTime, &out.own[0]);
        add(mapi::PidTagSearchKey.id, PropType::Binary, &out.own[1]);
        size_t size = 0;
        for (const PropRef& v : p) size += 8 + (IsInlineType(v.type) ? 0 : SerializedSize(v.type, *v.value));
        out.own[2] = int32_t(std::min<size_t>(size, 0x7FFFFFFF));
        const PropRef messageSize{mapi::PidTagMessageSize.id, PropType::Int32, &out.own[2]};
        if (auto it = at(messageSize.id); it != p.end() && it->id == messageSize.id) *it = messageSize;
        else p.insert(it, messageSize);
        auto flags = at(mapi::PidTagMessageFlags.id);
        const int32_t* was = std::get_if<int32_t>(flags->value);
        out.own[3] = int32_t(((was ? *was : 0) & ~mapi::kMsgFlagHasAttach) | (hasAttachments ? mapi::kMsgFlagHasAttach : 0));
        flags->value = &out.own[3];
    }

    // Writes an item's property context with the shared recipient table,
    // and its attachments.
    NodeEntry StoreMessage(std::span<const PropRef> p, Nid folder, const std::vector<mapi::PropertyBag>& attachments) {
        EncodedNode enc = EncodePropertyContext(p);
        EnsureSharedRecipients();
        NodeEntry e;
        if (!attachments.empty()) {
            e = StoreNode(*db, enc, folder, {sharedRecipients}, StoreAttachments(*db, names, attachments));
        } else if (enc.subnodes.empty() && enc.texts.empty()) {
            e.data = db->WriteDataTree(enc.blocks);
            e.sub = sharedSubnodes;
            db->AddOwner(e.sub);
            e.parent = folder;
        } else {
            e = StoreNode(*db, enc, folder, {sharedRecipients});
        }
        ++sharedOwners;
        return e;
    }

    // The items of a folder, in node id order.
    std::vector<Nid> MessagesOf(Nid folder) const {
        std::vector<Nid> out;
        db->ForEachNode([&](Nid nid, const NodeEntry& e) {
            if ((nid & nid::kTypeMask) == nid::kTypeMessage && e.parent == folder) out.push_back(nid);
            return true;
        });
        return out;
    }

    void LoadRows(FolderState& f) {
        if (f.rowsLoaded) return;
        // The contents table holds what a row needs; items are read one by one
        // only when it does not match the folder's items.
        const std::vector<Nid> items = MessagesOf(f.nid);
        // A long list as this store writes it is taken over where it lies:
        // what changes is written, not the whole list again.
        try {
            auto table = GrowingTable::Adopt(*db, TableNid(f.nid, nid::kTypeContentsTable), ContentsColumns());
            if (table && table->HasRowsOf(items)) {
                f.rows.clear();
                f.rowOf.clear();
                f.table = std::move(table);
                f.rowsLoaded = true;
                return;
            }
        } catch (const PstError&) {
        }
        if (const NodeEntry* table = db->FindNode(TableNid(f.nid, nid::kTypeContentsTable))) {
            // Row by row: the cells of 100,000 rows at once would take
            // several times what the rows keep of them.
            try {
                std::vector<Nid> listed;
                ForEachTableRow(*db, *table, [&](uint32_t rowId, PropMap&& cells) {
                    listed.push_back(rowId);
                    f.rows.push_back(ContentRowFrom(rowId, cells));
                });
                std::sort(listed.begin(), listed.end());
                if (listed == items) {
                    f.rowsLoaded = true;
                    return;
                }
            } catch (const PstError&) {
            }
        }
        f.rows.clear();
        for (Nid nid : items) f.rows.push_back(ContentRowFrom(nid, ReadPropertyContext(*db, *db->FindNode(nid))));
        f.rowsLoaded = true;
    }

    void CountChanged(FolderState& f) {
        f.dirtyProps = true;
        if (f.parent != f.nid)
            if (auto it = folders.find(f.parent); it != folders.end()) it->second.dirtyHierarchy = true;
    }

    void WriteFolder(FolderState& f) {
        if (f.dirtyProps) {
            PropMap p;
            p[mapi::PidTagDisplayName.id] = {PropType::Unicode, f.name};
            p[mapi::PidTagContentCount.id] = {PropType::Int32, f.contentCount};
            p[mapi::PidTagContentUnreadCount.id] = {PropType::Int32, f.unreadCount};
            p[mapi::PidTagSubfolders.id] = {PropType::Boolean, !f.children.empty()};
            if (!f.containerClass.empty()) p[mapi::PidTagContainerClass.id] = {PropType::Unicode, f.containerClass};
            WriteNode(f.nid, EncodePropertyContext(p), f.parent);
            f.dirtyProps = false;
        }
        if (f.dirtyHierarchy) {
            std::vector<HierarchyRow> rows;
            for (Nid c : f.children) {
                const FolderState& child = folders.at(c);
                rows.push_back({c, child.name, child.containerClass, child.contentCount, child.unreadCount, !child.children.empty()});
            }
            WriteNode(TableNid(f.nid, nid::kTypeHierarchyTable), EncodeHierarchyTable(rows), 0);
            f.dirtyHierarchy = false;
        }
        if (f.dirtyContents) {
            LoadRows(f);
            WriteContents(f);
            f.dirtyContents = false;
        }
        if (!db->FindNode(TableNid(f.nid, nid::kTypeAssocContentsTable)))
            WriteNode(TableNid(f.nid, nid::kTypeAssocContentsTable), EncodeAssocContentsTable(), 0);
    }

    void WriteContents(FolderState& f) {
        const Nid tableNid = TableNid(f.nid, nid::kTypeContentsTable);
        if (!f.table && f.rows.size() < kGrowingTableRows) {
            WriteNode(tableNid, EncodeContentsTable(f.rows), 0);
            return;
        }
        if (!f.table) f.table = std::make_unique<GrowingTable>(*db, tableNid, ContentsColumns());
        // A row leaves the waiting ones once it is in the table: a failed
        // write leaves the rest waiting, none twice.
        f.rowOf.clear();
        std::vector<std::optional<mapi::PropertyValue>> cells;
        while (!f.rows.empty()) {
            const Nid id = ContentCells(f.rows.front(), cells);
            f.table->Append(id, cells);
            f.rows.pop_front();
        }
        f.table->Write();
    }

    void Commit(bool durable) {
        if (!db->Writable()) return;
        for (auto& [nid, f] : folders) WriteFolder(f);
        if (names.Dirty()) {
            WriteNode(kNidNameMap, EncodePropertyContext(names.Encode()), 0);
            names.ClearDirty();
        }
        db->Commit(durable);
    }

    Nid NewFolder(Nid parent, Nid nid, const std::string& name, const std::string& cls) {
        FolderState f;
        f.nid = nid;
        f.parent = parent;
        f.name = name;
        f.containerClass = cls;
        folders[nid] = std::move(f);
        if (parent != nid) {
            FolderState& p = FolderAt(parent);
            p.children.push_back(nid);
            p.dirtyHierarchy = true;
            p.dirtyProps = true;
            CountChanged(p);
        }
        return nid;
    }

    void LoadFolders() {
        std::vector<std::pair<Nid, NodeEntry>> found;
        db->ForEachNode([&](Nid nid, const NodeEntry& e) {
            if ((nid & nid::kTypeMask) == nid::kTypeFolder) found.emplace_back(nid, e);
            return true;
        });
        for (const auto& [nid, e] : found) {
            PropMap p = ReadPropertyContext(*db, e);
            FolderState f;
            f.nid = nid;
            f.parent = e.parent;
            f.name = Get<std::string>(p, mapi::PidTagDisplayName.id, "");
            f.containerClass = Get<std::string>(p, mapi::PidTagContainerClass.id, "");
            f.contentCount = Get<int32_t>(p, mapi::PidTagContentCount.id, 0);
            f.unreadCount = Get<int32_t>(p, mapi::PidTagContentUnreadCount.id, 0);
            f.rowsLoaded = false;
            f.dirtyProps = f.dirtyHierarchy = f.dirtyContents = false;
            folders[nid] = std::move(f);
        }
        for (auto& [nid, f] : folders)
            if (f.parent != nid)
                if (auto it = folders.find(f.parent); it != folders.end()) it->second.children.push_back(nid);
        if (!folders.count(kNidRoot) || !folders.count(kNidIpm))
            throw PstError(ErrorKind::BadFormat, "The PST file has no folder tree");
    }
};

PstFile::PstFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) { displayName_ = impl_->displayName; }

PstFile::~PstFile() {
    if (impl_ && !impl_->closed) {
        try {
            Close();
        } catch (...) {
        }
    }
}

std::unique_ptr<PstFile> PstFile::Create(const std::string& path, const std::string& displayName) {
    auto impl = std::make_unique<Impl>();
    impl->db = NodeDatabase::Create(path);
    try {
        Impl& s = *impl;
        s.recordKey = RandomBytes(16);
        s.displayName = displayName;
        s.WriteStore();
        s.names.IdFor(mapi::PidLidEmail1EmailAddress.Key().Name());  // the map always knows the address set
        s.names.EnsureStringName(mapi::kPsPublicStrings, kKeywordsName);
        for (Nid internal : {nid::kInternal1, nid::kInternal2}) s.db->SetNode(internal, NodeEntry{});
        s.WriteNode(nid::kHierarchyTemplate, EncodeHierarchyTable({}), 0);
        s.WriteNode(nid::kContentsTemplate, EncodeContentsTable({}), 0);
        s.WriteNode(nid::kAssocContentsTemplate, EncodeAssocContentsTable(), 0);
        s.WriteNode(nid::kSearchContentsTemplate, EncodeContentsTable({}), 0);
        s.WriteNode(kNidAttachmentTable, EncodeAttachmentTable(), 0);
        s.WriteNode(kNidRecipientTable, EncodeRecipientTable(), 0);
        s.NewFolder(kNidRoot, kNidRoot, "", "");
        s.NewFolder(kNidRoot, kNidIpm, "Top of Personal Folders", "");
        s.NewFolder(kNidRoot, kNidSearchRoot, "Search Root", "");
        s.NewFolder(kNidIpm, kNidDeleted, "Deleted Items", "IPF.Note");
        s.Commit(false);
    } catch (...) {
        std::string p = impl->db->Path();
        impl.reset();
        ::unlink(p.c_str());
        throw;
    }
    return std::unique_ptr<PstFile>(new PstFile(std::move(impl)));
}

std::unique_ptr<PstFile> PstFile::Open(const std::string& path, bool writable) {
    auto impl = std::make_unique<Impl>();
    impl->db = NodeDatabase::Open(path, writable);
    const NodeEntry* store = impl->db->FindNode(kNidStore);
    if (!store) throw PstError(ErrorKind::BadFormat, "The PST file has no message store");
    PropMap sp = ReadPropertyContext(*impl->db, *store);
    impl->displayName = Get<std::string>(sp, mapi::PidTagDisplayName.id, "");
    impl->recordKey = Get<mapi::Binary>(sp, mapi::PidTagRecordKey.id, mapi::Binary(16, 0));
    if (const NodeEntry* nm = impl->db->FindNode(kNidNameMap)) impl->names.Load(ReadPropertyContext(*impl->db, *nm));
    if (writable) impl->names.EnsureStringName(mapi::kPsPublicStrings, kKeywordsName);  // stores written before it had one
    impl->LoadFolders();
    return std::unique_ptr<PstFile>(new PstFile(std::move(impl)));
}

void PstFile::MakeWritable() {
    if (impl_->closed) throw PstError(ErrorKind::InvalidArgument, "The PST file is closed");
    impl_->db->MakeWritable();
    impl_->names.EnsureStringName(mapi::kPsPublicStrings, kKeywordsName);  // as Open does for writing
}

void PstFile::Commit(bool durable) {
    if (impl_->closed) throw PstError(ErrorKind::InvalidArgument, "The PST file is closed");
    impl_->Commit(durable);
}

void PstFile::Close(bool durable) {
    if (impl_->closed) return;
    impl_->closed = true;
    if (!impl_->db->Writable()) return;
    impl_->Commit(false);
    impl_->db->Commit(durable);  // records the space the last commit set free
}

void PstFile::Abandon() { impl_->closed = true; }

const std::string& PstFile::Path() const { return impl_->db->Path(); }
uint64_t PstFile::FileSize() const { return impl_->db->FileSize(); }

std::optional<FolderInfo> PstFile::Folder(Nid nid) const {
    auto it = impl_->folders.find(nid);
    if (it == impl_->folders.end()) return std::nullopt;
    const FolderState& f = it->second;
    return FolderInfo{f.nid, f.parent, f.name, f.containerClass, f.contentCount, f.unreadCount, !f.children.empty()};
}

std::vector<FolderInfo> PstFile::Subfolders(Nid parent) const {
    std::vector<FolderInfo> out;
    auto it = impl_->folders.find(parent);
    if (it == impl_->folders.end()) return out;
    for (Nid c : it->second.children) out.push_back(*Folder(c));
    return out;
}

std::optional<Nid> PstFile::FindSubfolder(Nid parent, const std::string& name) const {
    auto it = impl_->folders.find(parent);
    if (it == impl_->folders.end()) return std::nullopt;
    std::string folded = base::AsciiLower(name);
    for (Nid c : it->second.children)
        if (base::AsciiLower(impl_->folders.at(c).name) == folded) return c;
    return std::nullopt;
}

Nid PstFile::CreateFolder(Nid parent, const std::string& name, const std::string& containerClass) {
    if (impl_->closed || !impl_->db->Writable()) throw PstError(ErrorKind::AccessDenied, "The PST file is not open for writing");
    impl_->FolderAt(parent);
    if (name.empty()) throw PstError(ErrorKind::InvalidArgument, "A folder name cannot be empty");
    if (name.find('\\') != std::string::npos)
        throw PstError(ErrorKind::InvalidArgument, "A folder name cannot contain a backslash: " + name);
    if (FindSubfolder(parent, name)) throw PstError(ErrorKind::InvalidArgument, "The folder already exists: " + name);
    Nid nid = 0;
    do {
        nid = impl_->db->NextNid(nid::kTypeFolder);
    } while (impl_->db->FindNode(TableNid(nid, nid::kTypeHierarchyTable)) || impl_->db->FindNode(TableNid(nid, nid::kTypeContentsTable)) ||
             impl_->db->FindNode(TableNid(nid, nid::kTypeAssocContentsTable)));
    return impl_->NewFolder(parent, nid, name, containerClass);
}

Nid PstFile::AddMessage(Nid folder, const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) {
    Impl& s = *impl_;
    if (s.closed || !s.db->Writable()) throw PstError(ErrorKind::AccessDenied, "The PST file is not open for writing");
    FolderState& f = s.FolderAt(folder);
    s.LoadRows(f);
    MessageProps p;
    s.MessageProperties(properties, {}, !attachments.empty(), p);
    Nid nid = s.db->NextNid(nid::kTypeMessage);
    s.db->SetNode(nid, s.StoreMessage(p.refs, folder, attachments));

    f.rows.push_back(ContentRowFrom(nid, p.refs));
    ++f.contentCount;
    if (!(f.rows.back().flags & mapi::kMsgFlagRead)) ++f.unreadCount;
    f.dirtyContents = true;
    s.CountChanged(f);
    return nid;
}

void PstFile::ReplaceMessage(Nid message, const mapi::PropertyBag& properties,
                             const std::vector<mapi::PropertyBag>& attachments) {
    Impl& s = *impl_;
    if (s.closed || !s.db->Writable()) throw PstError(ErrorKind::AccessDenied, "The PST file is not open for writing");
    const NodeEntry* e = s.db->FindNode(message);
    if (!e || (message & nid::kTypeMask) != nid::kTypeMessage || !s.folders.count(e->parent))
        throw PstError(ErrorKind::NotFound, "The item does not exist in the store");
    FolderState& f = s.FolderAt(e->parent);
    s.LoadRows(f);
    // The item stays the one it was: its creation time and search key carry over.
    const std::vector<uint16_t> kept{mapi::PidTagCreationTime.id, mapi::PidTagSearchKey.id};
    PropMap keptValues;
    try {
        keptValues = ReadPropertyContext(*s.db, *e, &kept);
    } catch (const PstError& error) {
        // A damaged item is replaced too: with what can still be read of
        // those two, else with new ones.
        if (error.Kind() != ErrorKind::BadFormat) throw;
        try {
            keptValues = ReadPropertyContext(*s.db, *e, &kept, Checksums::Ignore);
        } catch (const PstError& again) {
            if (again.Kind() != ErrorKind::BadFormat) throw;
        }
    }
    MessageProps p;
    s.MessageProperties(properties, keptValues, !attachments.empty(), p);
    s.db->SetNode(message, s.StoreMessage(p.refs, f.nid, attachments));  // the old blocks go with the next commit

    ContentRow row = ContentRowFrom(message, p.refs);
    const bool unread = !(row.flags & mapi::kMsgFlagRead);
    if (const auto stored = f.table ? f.table->Find(message) : std::nullopt) {
        const int32_t was = f.table->Int32Cell(*stored, mapi::PidTagMessageFlags.Tag()).value_or(0);
        f.unreadCount += int32_t(unread) - int32_t(!(was & mapi::kMsgFlagRead));
        std::vector<std::optional<mapi::PropertyValue>> cells;
        ContentCells(row, cells);
        f.table->Replace(*stored, cells);
        f.dirtyContents = true;
        s.CountChanged(f);
        return;
    }
    for (size_t i = f.rowOf.size(); i < f.rows.size(); ++i) f.rowOf.emplace(f.rows[i].nid, i);
    if (auto it = f.rowOf.find(message); it != f.rowOf.end()) {
        ContentRow& old = f.rows[it->second];
        f.unreadCount += int32_t(unread) - int32_t(!(old.flags & mapi::kMsgFlagRead));
        old = std::move(row);
    }
    f.dirtyContents = true;
    s.CountChanged(f);
}

std::vector<Nid> PstFile::Messages(Nid folder) const { return impl_->MessagesOf(folder); }

namespace {

// The property ids keys take in a store, and back.
struct KeyIds {
    std::vector<uint16_t> ids;
    std::multimap<uint16_t, mapi::PropertyKey> keyOf;

    KeyIds(const NameMap& names, const std::vector<mapi::PropertyKey>& keys) {
        for (const auto& key : keys) {
            std::optional<uint16_t> id = key.IsNamed() ? names.Find(key.Name()) : std::optional<uint16_t>(key.TagId());
            if (!id) continue;  // never mapped: no item has it
            ids.push_back(*id);
            keyOf.emplace(*id, key);
        }
    }
    // The values of props under their keys; those of another type are left
    // out. Each value is moved to its last key, copied to the others.
    mapi::PropertyBag Bag(PropMap&& props) const {
        mapi::PropertyBag bag;
        for (auto& [id, v] : props) {
            auto [first, last] = keyOf.equal_range(id);
            const mapi::PropertyKey* lastKey = nullptr;
            for (auto it = first; it != last; ++it) {
                if (it->second.type != v.type) continue;
                if (lastKey) bag.Set(*lastKey, v.value);
                lastKey = &it->second;
            }
            if (lastKey) bag.Set(*lastKey, std::move(v.value));
        }
        return bag;
    }
};

// What ReadEachMessage reads of one item: none when it cannot be read.
using MessageRead = std::pair<Nid, std::optional<mapi::PropertyBag>>;

// The properties wanted of the item nid; none when it cannot be read, and
// nothing at all when it is no longer there.
std::optional<MessageRead> ReadWanted(const NodeDatabase& db, const KeyIds& wanted, Nid nid) {
    const NodeEntry* found = db.FindNode(nid);
    if (!found) return std::nullopt;
    const NodeEntry e = *found;
    try {
        return MessageRead{nid, wanted.Bag(ReadPropertyContext(db, e, &wanted.ids))};
    } catch (const PstError& error) {
        if (error.Kind() != ErrorKind::BadFormat) throw;
        return MessageRead{nid, std::nullopt};
    }
}

// Items are read on several threads in runs of this many, once the first
// run (read on the caller's thread) did not end the visit: one who looks
// for the first item of a kind reads no more than that.
constexpr size_t kReadRun = 512;
constexpr size_t kMaxReadThreads = 4;

}  // namespace

void PstFile::ReadEachMessage(Nid folder, const std::vector<mapi::PropertyKey>& keys, const MessageVisitor& visit) const {
    const NodeDatabase& db = *impl_->db;
    const KeyIds wanted(impl_->names, keys);
    const std::vector<Nid> messages = Messages(folder);
    auto visitRead = [&](const MessageRead& read) { return visit(read.first, read.second ? &*read.second : nullptr); };
    const size_t first = std::min(messages.size(), kReadRun);
    for (size_t i = 0; i < first; ++i)
        if (auto read = ReadWanted(db, wanted, messages[i]); read && !visitRead(*read)) return;
    const size_t runs = (messages.size() - first + kReadRun - 1) / kReadRun;
    if (runs == 0) return;
    const size_t threads = std::clamp<size_t>(std::min<size_t>(std::thread::hardware_concurrency(), runs), 1, kMaxReadThreads);

    struct Run {
        std::vector<MessageRead> reads;
        std::exception_ptr error;
    };
    db.PrepareThreadReads();
    base::OrderedWindow<Run> window(runs, 2 * threads, threads);
    auto readRuns = [&] {
        File::ThreadReads ownWindow;
        while (std::optional<size_t> n = window.Claim()) {
            Run run;
            try {
                const size_t end = std::min(messages.size(), first + (*n + 1) * kReadRun);
                for (size_t i = first + *n * kReadRun; i < end; ++i)
                    if (auto read = ReadWanted(db, wanted, messages[i])) run.reads.push_back(std::move(*read));
            } catch (...) {
                run.error = std::current_exception();
            }
            window.Put(*n, std::move(run));
        }
        window.Done();
    };
    // However the visit ends, the readers stop before what they read goes.
    std::vector<std::thread> readers;
    struct Join {
        base::OrderedWindow<Run>& window;
        std::vector<std::thread>& readers;
        ~Join() {
            window.Cancel();
            for (auto& r : readers) r.join();
        }
    } join{window, readers};
    for (size_t t = 0; t < threads; ++t) readers.emplace_back(readRuns);
    while (std::optional<Run> run = window.Take()) {
        if (run->error) std::rethrow_exception(run->error);
        for (const MessageRead& read : run->reads)
            if (!visitRead(read)) return;
    }
}

std::optional<mapi::PropertyBag> PstFile::ReadDamagedMessage(Nid message, const std::vector<mapi::PropertyKey>& keys) const {
    const Impl& s = *impl_;
    const NodeEntry* found = s.db->FindNode(message);
    if (!found || (message & nid::kTypeMask) != nid::kTypeMessage) return std::nullopt;
    const KeyIds wanted(s.names, keys);
    try {
        return wanted.Bag(ReadPropertyContext(*s.db, *found, &wanted.ids, Checksums::Ignore));
    } catch (const PstError& error) {
        if (error.Kind() != ErrorKind::BadFormat) throw;
        return std::nullopt;
    }
}

void PstFile::CheckFolders() const {
    const Impl& s = *impl_;
    for (const auto& [nid, f] : s.folders)
        for (uint8_t type : {nid::kTypeHierarchyTable, nid::kTypeContentsTable}) {
            const NodeEntry* table = s.db->FindNode(TableNid(nid, type));
            if (!table) continue;
            try {
                // Lists of sub-folders are small and read whole; a list of
                // items may hold 100,000 rows: its blocks are read and
                // checked, and its heap, without making a row of each.
                if (type == nid::kTypeHierarchyTable) {
                    ReadTable(*s.db, *table);
                } else {
                    HeapReader heap(s.db->ReadDataTree(table->data));
                    for (const auto& [subNid, sub] : s.db->ReadSubnodes(table->sub)) s.db->ReadDataTree(sub.data);
                }
            } catch (const PstError& e) {
                if (e.Kind() != ErrorKind::BadFormat) throw;
                throw PstError(ErrorKind::BadFormat, std::string(e.what()) + " (the " +
                                                         (type == nid::kTypeContentsTable ? "items" : "sub-folders") +
                                                         " of the folder \"" + f.name + "\")");
            }
        }
}

mapi::PropertyBag PstFile::ReadMessage(Nid message) const {
    const NodeEntry* e = impl_->db->FindNode(message);
    if (!e || (message & nid::kTypeMask) != nid::kTypeMessage) throw PstError(ErrorKind::NotFound, "The item does not exist in the store");
    return impl_->names.BagOf(ReadPropertyContext(*impl_->db, *e));
}

std::vector<mapi::PropertyBag> PstFile::ReadAttachments(Nid message) const {
    const NodeEntry* e = impl_->db->FindNode(message);
    if (!e || (message & nid::kTypeMask) != nid::kTypeMessage) throw PstError(ErrorKind::NotFound, "The item does not exist in the store");
    return pst::ReadAttachments(*impl_->db, impl_->names, *e);
}

}  // namespace pst
