// A Group document as the exporters read it: the group's own items and its
// members resolved against the people and groups of the same database. Every
// target that can hold a distribution list makes one from it.
#pragma once

#include <contacts/distribution_list.h>
#include <notes/address_book.h>
#include <notes/group_document.h>


#include <string>
#include <vector>

namespace exporting {

class RunContext;

struct GroupRecord {
    notes::GroupDocument document;              // ListName, ListDescription, Members as written
    std::vector<notes::ResolvedMember> members;  // in the order met, each once
    std::vector<notes::MemberNote> notes;        // members kept by name or left out
    bool hasAttachments = false;
    int64_t changed = 0;  // LastChange of the document
    // Why the members could not be resolved at all (the address book could
    // not be read); empty when they were.
    std::string error;
};

// The text a log line shows for a name from the database: control
// characters become blanks, so that it stays one line.
std::string OneLine(std::string text);

// Logs a line per member note; when the members could not be resolved at
// all, logs that instead and returns false.
bool LogResolution(RunContext& run, const GroupRecord& group);

// The group as a distribution list: its name, description and members.
contacts::DistributionList ListOf(const GroupRecord& group);

}  // namespace exporting
