#include "carddav_target.h"

#include "group_record.h"
#include "run_context.h"

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
    std::string source;
    auto password = carddav::FindPassword(url->host, o.user, &source);
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
    http_ = std::make_unique<carddav::HttpClient>(std::move(options));
    book_ = std::make_unique<carddav::AddressBook>(*http_, *url);
    if (book_->Open(o.addressBook, &why) != carddav::OpenResult::Ok) {
        run_.Fail(why);
        return false;
    }
    const std::string address = book_->Collection().ToString();
    if (!records_.Load(address, o.user, &why))
        run_.LogError(why + "; what the address book holds is taken as changed on the server");
    run_.Log("Address book: " + address + " (" + std::to_string(book_->Size()) + " vCards, password from " + source + ")");
    lastSave_ = std::chrono::steady_clock::now();
    return true;
}

std::string CardDavTarget::PrepareFolder(const TargetFolder&) { return book_ ? book_->Collection().ToString() : ""; }

std::string CardDavTarget::Subject(const ContactRecord& contact) const {
    return SubjectText(contact.Value("CompanyName"), contact.Value("FirstName"), contact.Value("LastName"));
}

std::unique_ptr<PreparedFile> CardDavTarget::Prepare(const ContactRecord& contact, const std::function<bool()>&) const {
    auto file = std::make_unique<PreparedFile>();
    file->bytes = renderings::RenderContact(MapContact(contact, Subject(contact)), renderings::Format::VCard);
    return file;
}

WriteResult CardDavTarget::Write(const ContactRecord& contact, const std::string& subject, uint64_t,
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
        renderings::RenderDistributionList(ListOf(group), renderings::Format::VCard), uids);
    return Store(OneLine(group.document.name), card, source);
}

WriteResult CardDavTarget::Store(const std::string& label, const std::string& card, const mapi::SourceIdentity& source) {
    const std::string uid = UidFor(source, card);
    const std::string name = carddav::ResourceName(uid);
    if (seen_.count(name)) return WriteResult::AlreadySaved;  // met in an earlier view
    // One that failed is tried again where a later view lists it.
    const WriteResult result = Send(label, name, carddav::WithUid(card, uid), source);
    if (result != WriteResult::Failed) seen_.insert(name);
    return result;
}

WriteResult CardDavTarget::Send(const std::string& label, const std::string& name, const std::string& body,
                                const mapi::SourceIdentity& source) {
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
            return WriteResult::AlreadySaved;
        }
        if (!asStored) {
            if (HoldsAlready(name, body, digest, source)) return WriteResult::AlreadySaved;
            if (!overwrite) {
                run_.Log("Changed on the server since it was exported, left as it is (--overwrite replaces it): " + label,
                         kColourSkip);
                return WriteResult::Skipped;
            }
        }
        ifMatch = *onServer;
    } else if (record && !overwrite) {
        run_.Log("Deleted on the server since it was exported, left out (--overwrite stores it again): " + label,
                 kColourSkip);
        return WriteResult::Skipped;
    }
    if (unanswered_ >= kMostUnanswered) {
        run_.LogError("Not sent to the address book: " + label + ": the server stopped answering (" + lastError_ + ")");
        return WriteResult::Failed;
    }
    const carddav::PutOutcome put = book_->Put(name, body, ifMatch);
    unanswered_ = put.answered || run_.StopRequested() ? 0 : unanswered_ + 1;
    lastError_ = put.what;
    switch (put.result) {
    case carddav::PutResult::Stored: records_.Put(name, {put.etag, digest, source}); return WriteResult::Written;
    case carddav::PutResult::Conflict:
        // A try whose reply was lost may have stored it.
        if (HoldsAlready(name, body, digest, source)) return WriteResult::Written;
        run_.Log("Changed on the server during the export, left as it is: " + label, kColourSkip);
        return WriteResult::Skipped;
    case carddav::PutResult::Failed: break;
    }
    run_.LogError("Cannot store " + label + " in the address book: " + put.what);
    return WriteResult::Failed;
}

bool CardDavTarget::HoldsAlready(const std::string& name, const std::string& body, uint64_t digest,
                                 const mapi::SourceIdentity& source) {
    const auto stored = book_->Get(name);
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
    Commit();
    book_.reset();
    http_.reset();
}

}  // namespace exporting
