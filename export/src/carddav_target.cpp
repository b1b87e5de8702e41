#include "carddav_target.h"

#include "group_record.h"
#include "lock_destination.h"
#include "run_context.h"

#include <exporting/ensure_path.h>

#include <exporting/naming.h>

#include <carddav/card_content.h>
#include <carddav/credentials.h>
#include <carddav/resource_name.h>
#include <renderings/render.h>

#include <cstdio>

namespace exporting {

namespace {

// Each request is tried a few times, with pauses, before it fails: after
// this many failed in a row for want of any answer, the server is taken as
// gone for the rest of the run rather than waited for contact by contact
// (a later run takes up what this one did not send).
constexpr int kMostUnanswered = 3;

// The vCards on their way at once: enough to keep a server busy while a
// reply travels, few enough not to crowd it.
constexpr size_t kInFlight = 4;

// A password sent without TLS can be read on the way, except on this machine.
bool Loopback(const std::string& host) { return host == "localhost" || host.rfind("127.", 0) == 0 || host == "[::1]"; }

// The name a document is stored under; one without an identity is named
// after its vCard, so that an unchanged one is found again.
std::string UidFor(const mapi::SourceIdentity& source, const std::string& card) {
    if (source.Valid()) return carddav::StableUid(source.database, source.unid);
    char digest[24];
    std::snprintf(digest, sizeof digest, "%016llx", (unsigned long long)carddav::ContentDigest(card));
    return carddav::StableUid("content", digest);
}

}  // namespace

CardDavTarget::CardDavTarget(RunContext& run) : run_(run) {}

CardDavTarget::~CardDavTarget() { Close(); }

bool CardDavTarget::Connect() {
    const ExportOptions& o = run_.options;
    if (o.destination.empty()) return true;  // the run says so itself
    std::string why;
    const auto url = carddav::ParseUrl(o.destination, &why);
    if (!url) {
        run_.Fail("The address book's URL cannot be used: " + why);
        return false;
    }
    std::string source = "the window";
    auto password = o.password.empty() ? carddav::FindPassword(url->host, o.user, &source) : o.password;
    if (!password) {
        run_.Fail("No password for " + o.user + " at " + url->host + ": set " + carddav::kPasswordVariable +
                  " or add a ~/.netrc entry for the host" + (source.empty() ? "" : "; " + source));
        return false;
    }
    if (url->scheme == "http" && !Loopback(url->host))
        run_.Log("The password goes to " + url->host + " without encryption (http, not https)", kColourSkip);
    carddav::HttpOptions options;
    options.user = o.user;
    options.password = std::move(*password);
    options.caFile = o.caFile;
    options.stop = [this] { return run_.StopRequested(); };
    http_ = std::make_unique<carddav::HttpClient>(options);
    book_ = std::make_unique<carddav::AddressBook>(*http_, *url);
    if (book_->Open(o.addressBook, &why) != carddav::OpenResult::Ok) {
        run_.Fail(why);
        return false;
    }
    const std::string address = book_->Collection().ToString();
    bool waited = false;
    if (!LockRecords(address, &waited)) return false;
    // What the other export stored meanwhile is listed anew.
    if (waited && book_->Open(o.addressBook, &why) != carddav::OpenResult::Ok) {
        run_.Fail(why);
        return false;
    }
    options.auth = http_->Auth();  // the senders sign in as the server asked at once
    pool_ = std::make_unique<carddav::RequestPool>(options, kInFlight);
    if (!records_.Load(address, o.user, &why))
        run_.LogError(why + "; what the address book holds is taken as changed on the server");
    run_.Log("Address book: " + address + " (" + std::to_string(book_->Size()) + " vCards, password from " + source + ")");
    lastSave_ = std::chrono::steady_clock::now();
    return true;
}

bool CardDavTarget::LockRecords(const std::string& address, bool* waited) {
    std::string records = CardRecords::PathFor(address, run_.options.user);
    records.replace(records.rfind('.'), std::string::npos, ".lock");
    EnsurePathExists(CardRecordsFolder());  // else the lock says why not
    ExportEnd end = ExportEnd::DestinationUnusable;
    if (LockDestination(run_, lock_, address, records, true, &end, waited)) return true;
    if (end == ExportEnd::Stopped) run_.stopped = true;
    return false;
}

std::string CardDavTarget::PrepareFolder(const TargetFolder&) { return book_ ? book_->Collection().ToString() : ""; }

std::string CardDavTarget::Subject(const ContactRecord& contact) const {
    return SubjectText(contact.Value("CompanyName"), contact.Value("FirstName"), contact.Value("LastName"));
}

std::unique_ptr<PreparedFile> CardDavTarget::Prepare(ContactRecord& contact, const std::function<bool()>&) const {
    auto file = std::make_unique<PreparedFile>();
    const std::string subject = Subject(contact);
    file->bytes = renderings::RenderContact(MapContact(std::move(contact), subject), renderings::Format::VCard);
    return file;
}

WriteResult CardDavTarget::Write(ContactRecord& contact, const std::string& subject, uint64_t,
                                 const mapi::SourceIdentity& source, const PreparedFile* prepared) {
    const std::string label = contact.DisplayName().empty() ? subject : contact.DisplayName();
    if (prepared) return Store(label, prepared->bytes, source);
    return Store(label, Prepare(contact, {})->bytes, source);
}

WriteResult CardDavTarget::WriteList(const GroupRecord& group, uint64_t, const mapi::SourceIdentity& source) {
    if (!LogResolution(run_, group)) return WriteResult::Failed;
    // Members that are contacts of the database are named by the UIDs
    // their vCards are stored under.
    std::vector<std::string> uids;
    for (const notes::ResolvedMember& m : group.members)
        if (!m.unid.empty() && !source.database.empty()) uids.push_back(carddav::StableUid(source.database, m.unid));
    const std::string card = carddav::AsContactGroup(
        renderings::RenderDistributionList(ListOf(group), renderings::Format::VCard), uids, book_->TakesVCard4());
    return Store(OneLine(group.document.name), card, source);
}

WriteResult CardDavTarget::Store(const std::string& label, const std::string& card, const mapi::SourceIdentity& source) {
    const std::string uid = UidFor(source, card);
    const std::string name = carddav::ResourceName(uid);
    // The same document again while it is on its way: what became of it
    // decides.
    if (sending_.count(name)) SettleUpTo(name);
    Slot slot;
    if (seen_.count(name)) {
        slot.result = WriteResult::AlreadySaved;  // met in an earlier view
    } else {
        Decide(slot, label, name, carddav::WithUid(card, uid), source);
    }
    return Hand(std::move(slot));
}

void CardDavTarget::Decide(Slot& slot, const std::string& label, const std::string& name, std::string body,
                           const mapi::SourceIdentity& source) {
    auto result = [&](WriteResult r) {
        // One that failed is tried again where a later view lists it.
        if (r != WriteResult::Failed) seen_.insert(name);
        slot.result = r;
    };
    const uint64_t digest = carddav::ContentDigest(body);
    const auto onServer = book_->Etag(name);
    const CardRecord* record = records_.Find(name);
    const bool overwrite = run_.options.overwrite;
    std::string ifMatch;
    if (onServer) {
        // The server holds what was stored last, or else another version.
        const bool asStored = record && record->etag == *onServer;
        if (asStored && record->digest == digest) {
            if (record->source.modified != source.modified || record->source.sequence != source.sequence)
                records_.Put(name, {*onServer, digest, source});
            return result(WriteResult::AlreadySaved);
        }
        if (!asStored) {
            if (HoldsAlready(book_->Get(*http_, name), name, body, digest, source))
                return result(WriteResult::AlreadySaved);
            if (!overwrite) {
                slot.lines.emplace_back(
                    "Changed on the server since it was exported, left as it is (--overwrite replaces it): " + label,
                    kColourSkip);
                return result(WriteResult::Skipped);
            }
        }
        ifMatch = *onServer;
    } else if (record && !overwrite) {
        slot.lines.emplace_back("Deleted on the server since it was exported, left out (--overwrite stores it again): " + label,
                                kColourSkip);
        return result(WriteResult::Skipped);
    }
    {
        std::lock_guard<std::mutex> lock(answering_.mutex);
        if (answering_.unanswered >= kMostUnanswered) {
            slot.lines.emplace_back("Not sent to the address book: " + label + ": the server stopped answering (" +
                                        answering_.lastError + ")",
                                    kColourError);
            return result(WriteResult::Failed);
        }
    }
    auto sending = std::make_shared<Sending>();
    sending->label = label;
    sending->name = name;
    sending->body = std::move(body);
    sending->digest = digest;
    sending->source = source;
    const carddav::AddressBook& book = *book_;
    sending->done = pool_->Run([&book, &answering = answering_, this, s = sending.get(), ifMatch](carddav::HttpClient& http) {
        try {
            s->put = book.Put(http, s->name, s->body, ifMatch);
            // A try whose reply was lost may have stored it.
            if (s->put.result == carddav::PutResult::Conflict) s->stored = book.Get(http, s->name);
        } catch (const std::exception& e) {
            s->put = {};
            s->put.what = e.what();
        }
        // Counted as the replies come, not in the order of the contacts: a
        // server that has gone fails the next ones at once.
        std::lock_guard<std::mutex> lock(answering.mutex);
        answering.unanswered = s->put.answered || run_.StopRequested() ? 0 : answering.unanswered + 1;
        answering.lastError = s->put.what;
    });
    sending_.insert(name);
    slot.sending = std::move(sending);
}

void CardDavTarget::Settle(Slot& slot) {
    Sending& s = *slot.sending;
    s.done.wait();
    sending_.erase(s.name);
    const carddav::PutOutcome& put = s.put;
    WriteResult result = WriteResult::Failed;
    switch (put.result) {
    case carddav::PutResult::Stored:
        records_.Put(s.name, {put.etag, s.digest, s.source});
        book_->Noted(s.name, put.etag);
        result = WriteResult::Written;
        break;
    case carddav::PutResult::Conflict:
        if (HoldsAlready(s.stored, s.name, s.body, s.digest, s.source)) {
            result = WriteResult::Written;
        } else {
            slot.lines.emplace_back("Changed on the server during the export, left as it is: " + s.label, kColourSkip);
            result = WriteResult::Skipped;
        }
        break;
    case carddav::PutResult::Failed:
        if (put.stopped) {
            result = WriteResult::Stopped;  // sent again by a later run, or found there
        } else {
            slot.lines.emplace_back("Cannot store " + s.label + " in the address book: " + put.what, kColourError);
        }
        break;
    }
    if (result != WriteResult::Failed && result != WriteResult::Stopped) seen_.insert(s.name);
    slot.result = result;
    slot.sending.reset();
}

void CardDavTarget::SettleUpTo(const std::string& name) {
    for (Slot& slot : slots_) {
        if (slot.result) continue;
        const bool wanted = slot.sending->name == name;
        Settle(slot);
        if (wanted) return;
    }
}

WriteResult CardDavTarget::Hand(Slot slot) {
    if (slots_.empty() && slot.result) {
        for (const auto& [text, colour] : slot.lines) run_.Log(text, colour);
        return *slot.result;
    }
    slots_.push_back(std::move(slot));
    return WriteResult::Pending;
}

std::optional<WriteResult> CardDavTarget::NextSettled(bool wait) {
    if (slots_.empty()) return std::nullopt;
    Slot& next = slots_.front();
    if (!next.result) {
        if (!wait && next.sending->done.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return std::nullopt;
        Settle(next);
    }
    for (const auto& [text, colour] : next.lines) run_.Log(text, colour);
    const WriteResult result = *next.result;
    slots_.pop_front();
    return result;
}

bool CardDavTarget::HoldsAlready(const std::optional<carddav::AddressBook::Fetched>& stored, const std::string& name,
                                 const std::string& body, uint64_t digest, const mapi::SourceIdentity& source) {
    if (!stored || !carddav::SameCard(stored->body, body) || stored->etag.empty()) return false;
    records_.Put(name, {stored->etag, digest, source});
    return true;
}

bool CardDavTarget::SavedAndUnchanged(const mapi::SourceIdentity& source) {
    if (!book_ || !source.Valid()) return false;
    const std::string name = carddav::ResourceName(carddav::StableUid(source.database, source.unid));
    const CardRecord* record = records_.Find(name);
    const auto onServer = book_->Etag(name);
    if (!record || !onServer || *onServer != record->etag) return false;
    mapi::SourceIdentity saved = record->source;
    saved.database = source.database;
    saved.unid = source.unid;
    if (mapi::CompareWithSaved(&saved, source) != mapi::SavedState::Unchanged) return false;
    seen_.insert(name);
    return true;
}

void CardDavTarget::Commit(bool onlyWhenDue) {
    const auto now = std::chrono::steady_clock::now();
    if (onlyWhenDue && now - lastSave_ < std::chrono::seconds(1)) return;
    lastSave_ = now;
    std::string why;
    if (!records_.Save(&why) && !saveFailed_) {
        saveFailed_ = true;
        run_.LogError(why + "; the next export takes what this one stored as changed on the server");
    }
}

void CardDavTarget::Close() {
    if (!book_) return;
    // Items whose results no one took (the run ended by an error): what
    // they stored is recorded all the same.
    while (NextSettled(true)) {
    }
    Commit();
    pool_.reset();
    book_.reset();
    http_.reset();
}

}  // namespace exporting
