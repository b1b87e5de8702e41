// A Unicode PST file: create or open one, walk and add folders, add items
// (property bags) to folders and read them back.
//
// Writes are appended; Commit makes everything added so far durable in one
// step (new index pages, then the header), so a process that dies at any
// point leaves a file that opens with the state of the last commit.
#pragma once

#include <pst/error.h>

#include <mapi/property.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pst {

using Nid = uint32_t;

struct FolderInfo {
    Nid nid = 0;
    Nid parent = 0;
    std::string name;
    std::string containerClass;
    int32_t contentCount = 0;
    int32_t unreadCount = 0;
    bool hasSubfolders = false;
};

class PstFile {
public:
    // Creates a new, empty store at path (which must not exist) whose display
    // name is displayName. On failure no file is left at path.
    static std::unique_ptr<PstFile> Create(const std::string& path, const std::string& displayName);
    // Opens an existing Unicode PST. Throws PstError(BadFormat) for anything
    // that is not one.
    static std::unique_ptr<PstFile> Open(const std::string& path, bool writable = true);
    // Opened read-only: writable from now on, as Open(path, true) would have
    // opened it, without reading it again. PstError(InvalidArgument) when
    // the file was replaced or committed to since it was opened (it stays
    // read-only then).
    void MakeWritable();

    ~PstFile();  // commits pending changes; errors are swallowed, call Close to see them
    PstFile(const PstFile&) = delete;
    PstFile& operator=(const PstFile&) = delete;

    // durable: also wait until the file is on the disk, which a power loss
    // needs; a killed process does not.
    void Commit(bool durable = false);
    void Close(bool durable = false);
    // Closes without writing anything more (what was not committed here is
    // dropped): for a file the caller gives up on.
    void Abandon();

    const std::string& Path() const;
    const std::string& DisplayName() const { return displayName_; }
    // Bytes the file takes now, including what is not committed yet.
    uint64_t FileSize() const;

    Nid RootFolder() const { return 0x122; }
    Nid IpmSubtree() const { return 0x8022; }
    Nid DeletedItems() const { return 0x8062; }
    Nid SearchRoot() const { return 0x8042; }

    std::optional<FolderInfo> Folder(Nid nid) const;
    std::vector<FolderInfo> Subfolders(Nid parent) const;
    // Case-insensitive for ASCII letters, as folder names in a store are.
    std::optional<Nid> FindSubfolder(Nid parent, const std::string& name) const;
    // Throws PstError(InvalidArgument) for an empty name, a name with a
    // backslash, or a name its parent already holds.
    Nid CreateFolder(Nid parent, const std::string& name, const std::string& containerClass = "IPF.Note");

    // Adds an item; named properties are mapped through the store's map.
    // Each attachment is a property bag of its own (its bytes in
    // PidTagAttachDataBinary); the store adds its method (by value) and
    // position where missing, its number and size, and the item's flags tell
    // that it has attachments.
    Nid AddMessage(Nid folder, const mapi::PropertyBag& properties,
                   const std::vector<mapi::PropertyBag>& attachments = {});
    // Rewrites an item in place with new properties: it keeps its node id
    // (so its entry id), its folder, its creation time and search key. Its
    // old content is set free only by the next commit, so a crash leaves
    // the old item or the new one. A damaged item is replaced too (its
    // creation time and search key kept as far as they can be read). Throws
    // PstError(NotFound) when message is not an item of this store.
    // The item's attachments are replaced by attachments.
    void ReplaceMessage(Nid message, const mapi::PropertyBag& properties,
                        const std::vector<mapi::PropertyBag>& attachments = {});
    std::vector<Nid> Messages(Nid folder) const;
    mapi::PropertyBag ReadMessage(Nid message) const;
    // The item's attachments, in the order of its attachment table.
    std::vector<mapi::PropertyBag> ReadAttachments(Nid message) const;

    // Calls visit for every item of folder, in node id order, with only the
    // properties keys names (values of another type, and named properties
    // the store has never mapped, are absent); nullptr for an item that
    // cannot be read. Nothing else of an item is read, large values
    // included. visit returns false to stop. Items of a long folder are
    // read ahead on other threads: visit must not change the store.
    using MessageVisitor = std::function<bool(Nid message, const mapi::PropertyBag* properties)>;
    void ReadEachMessage(Nid folder, const std::vector<mapi::PropertyKey>& keys, const MessageVisitor& visit) const;
    // The properties keys names of an item that cannot be read, read past
    // its blocks' checksums, as readers that ignore them see it: none when
    // even so it cannot be read, or message is not an item of the store.
    // What comes back may be anything the damage made of it.
    std::optional<mapi::PropertyBag> ReadDamagedMessage(Nid message, const std::vector<mapi::PropertyKey>& keys) const;

    // Reads every folder's sub-folder and contents tables: throws
    // PstError(BadFormat) when one cannot be read. With Open's checks (the
    // header, both index trees, every folder's properties) this tells a
    // store that opens cleanly.
    void CheckFolders() const;

private:
    struct Impl;
    explicit PstFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    std::string displayName_;
};

}  // namespace pst
