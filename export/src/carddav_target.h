// Each contact and group a vCard resource in an address book on a CardDAV
// server: the vCard the vcf kind writes (a group's made a contact group that
// names its members by their UIDs), with a UID that stays the same for
// a document of the database from run to run, so that every export finds
// again what the last one stored. A new resource is stored only if there is
// none of its name (If-None-Match), an update only while the server still
// holds what was stored before (If-Match on the recorded entity tag). A
// resource someone changed or deleted on the server since is left as it is
// unless the export is to overwrite it; one that holds what this run would
// send is not sent again. A document met in several views is stored once.
#pragma once

#include "carddav_records.h"
#include "target.h"

#include <carddav/address_book.h>
#include <carddav/http_client.h>

#include <chrono>
#include <memory>
#include <unordered_set>

namespace exporting {

class CardDavTarget : public ExportTarget {
public:
    explicit CardDavTarget(RunContext& run);
    ~CardDavTarget() override;

    // Finds the password, checks the address book and lists what it holds.
    bool Connect() override;
    bool Open() override { return true; }
    std::string PrepareFolder(const TargetFolder& folder) override;
    std::string Subject(const ContactRecord& contact) const override;
    // The contact's vCard, without its UID.
    std::unique_ptr<PreparedFile> Prepare(const ContactRecord& contact, const std::function<bool()>& stop) const override;
    WriteResult Write(const ContactRecord& contact, const std::string& subject, uint64_t entry,
                      const mapi::SourceIdentity& source, const PreparedFile* prepared) override;
    WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) override;
    // Recorded, still as stored on the server, and the document unchanged.
    bool SavedAndUnchanged(const mapi::SourceIdentity& source) override;
    // Saves the records.
    void Commit(bool onlyWhenDue = false) override;
    void Close() override;

private:
    // Stores card (a vCard without UID) for the document at source; label
    // names it in log lines.
    WriteResult Store(const std::string& label, const std::string& card, const mapi::SourceIdentity& source);
    // Stores body, the vCard with its UID, as the resource name unless the
    // server holds it already or holds another version of it.
    WriteResult Send(const std::string& label, const std::string& name, const std::string& body,
                     const mapi::SourceIdentity& source);

    // True (and recorded) when the server holds body under name already:
    // stored by a run whose records are not here, by a try whose reply was
    // lost, or tagged anew by the server.
    bool HoldsAlready(const std::string& name, const std::string& body, uint64_t digest,
                      const mapi::SourceIdentity& source);

    RunContext& run_;
    std::unique_ptr<carddav::HttpClient> http_;
    std::unique_ptr<carddav::AddressBook> book_;
    CardRecords records_;
    std::unordered_set<std::string> seen_;  // the resources this run met
    std::chrono::steady_clock::time_point lastSave_;
    // Requests in a row the server did not answer, and the last one's
    // error: past a few, the rest of the run sends nothing more.
    int unanswered_ = 0;
    std::string lastError_;
    bool saveFailed_ = false;
};

}  // namespace exporting
