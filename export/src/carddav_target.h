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
// A few vCards are on their way at once, each on a connection of its own;
// their results (and log lines) come in the order they were given. The
// records of what was stored are locked for the run: a second export into
// the same address book waits or is refused, as for a folder.
#pragma once

#include "carddav_records.h"
#include "destination_lock.h"
#include "target.h"

#include <carddav/address_book.h>
#include <carddav/http_client.h>
#include <carddav/request_pool.h>

#include <chrono>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

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
    std::unique_ptr<PreparedFile> Prepare(ContactRecord& contact, const std::function<bool()>& stop) const override;
    WriteResult Write(ContactRecord& contact, const std::string& subject, uint64_t entry,
                      const mapi::SourceIdentity& source, const PreparedFile* prepared) override;
    WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) override;
    std::optional<WriteResult> NextSettled(bool wait) override;
    // Recorded, still as stored on the server, and the document unchanged.
    bool SavedAndUnchanged(const mapi::SourceIdentity& source) override;
    // Saves the records.
    void Commit(bool onlyWhenDue = false) override;
    // Waits for the vCards on their way, saves the records and lets go of
    // the address book.
    void Close() override;

private:
    // A vCard on its way: what the request needs and, once its future is
    // ready, how it went.
    struct Sending {
        std::string label, name, body;
        uint64_t digest = 0;
        mapi::SourceIdentity source;
        carddav::PutOutcome put;
        std::optional<carddav::AddressBook::Fetched> stored;  // after a failed precondition
        std::future<void> done;
    };
    // Each contact and group handed in, in order, until its result is taken:
    // the log lines that go before the result, and the result, or the
    // sending that leads to it.
    struct Slot {
        std::vector<std::pair<std::string, uint32_t>> lines;
        std::optional<WriteResult> result;
        std::shared_ptr<Sending> sending;
    };

    // Takes the records' lock for the run (*waited: after another export
    // let go of it); false when the run cannot go on.
    bool LockRecords(const std::string& address, bool* waited);
    // Stores card (a vCard without UID) for the document at source; label
    // names it in log lines.
    WriteResult Store(const std::string& label, const std::string& card, const mapi::SourceIdentity& source);
    // Decides what becomes of body, the vCard with its UID, under the
    // resource name: left (the server holds it already or another version
    // of it), or sent.
    void Decide(Slot& slot, const std::string& label, const std::string& name, std::string body,
                const mapi::SourceIdentity& source);
    // The result of a slot whose sending has come back, with its log lines.
    void Settle(Slot& slot);
    // Waits for the slots up to the one sending name, and settles them.
    void SettleUpTo(const std::string& name);
    // The slot's result at once when no earlier one waits for its own, else
    // Pending (NextSettled hands it on).
    WriteResult Hand(Slot slot);

    // True (and recorded) when the server holds body under name already:
    // stored by a run whose records are not here, by a try whose reply was
    // lost, or tagged anew by the server.
    bool HoldsAlready(const std::optional<carddav::AddressBook::Fetched>& stored, const std::string& name,
                      const std::string& body, uint64_t digest, const mapi::SourceIdentity& source);

    RunContext& run_;
    std::unique_ptr<carddav::HttpClient> http_;
    std::unique_ptr<carddav::AddressBook> book_;
    std::unique_ptr<carddav::RequestPool> pool_;
    DestinationLock lock_;
    CardRecords records_;
    std::deque<Slot> slots_;
    std::unordered_set<std::string> seen_;     // the resources this run met
    std::unordered_set<std::string> sending_;  // the resources on their way
    std::chrono::steady_clock::time_point lastSave_;
    // Requests in a row the server did not answer, and the last one's
    // error: past a few, the rest of the run sends nothing more. Set by the
    // senders' threads.
    struct Answering {
        std::mutex mutex;
        int unanswered = 0;
        std::string lastError;
    } answering_;
    bool saveFailed_ = false;
};

}  // namespace exporting
