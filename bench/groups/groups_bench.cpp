// Timing of group member resolution on a generated address book: reading
// 100,000 people into the address book, then resolving groups of 5,000 and
// 50,000 members (hierarchical names, common names and addresses) and a chain
// of 5,000 nested groups. Work should grow with the members, not with their
// square: the 50,000-member group takes about ten times the 5,000-member one.
// Usage: groups_bench FOLDER   (the generated file is written there and kept)
#include <notes/address_book.h>
#include <notesapi/notesapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

constexpr int kPeople = 100000;
constexpr int kChain = 5000;

std::string Name(int i) { return "Person " + std::to_string(i); }
std::string Mail(int i) { return "p" + std::to_string(i) + "@org.example"; }

// Member i of a large group: the people in turn, each named one of three ways.
std::string Member(int i) {
    const int p = (i * 7919) % kPeople;
    switch (i % 3) {
        case 0: return "CN=" + Name(p) + "/OU=Unit " + std::to_string(p % 50) + "/O=Org";
        case 1: return Name(p);
        default: return Mail(p);
    }
}

void WriteGroup(std::ofstream& out, const std::string& name, const std::vector<std::string>& members) {
    out << "<document form='Group'><item name='ListName'><text>" << name
        << "</text></item><item name='Members' names='true'><textlist>";
    for (const auto& m : members) out << "<text>" << m << "</text>";
    out << "</textlist></item></document>\n";
}

void WriteBook(const std::string& path) {
    std::ofstream out(path);
    out << "<?xml version='1.0' encoding='utf-8'?>\n<database xmlns='http://www.lotus.com/dxl' version='8.5'>\n";
    for (int i = 0; i < kPeople; ++i)
        out << "<document form='Person'><item name='FullName' names='true'><textlist><text>CN=" << Name(i) << "/OU=Unit "
            << i % 50 << "/O=Org</text><text>" << Name(i) << "</text></textlist></item><item name='MailAddress'><text>"
            << Mail(i) << "</text></item></document>\n";
    for (int size : {5000, 50000}) {
        std::vector<std::string> members;
        for (int i = 0; i < size; ++i) members.push_back(Member(i));
        WriteGroup(out, "Group " + std::to_string(size), members);
    }
    for (int i = 0; i < kChain; ++i)
        WriteGroup(out, "Chain " + std::to_string(i), {"Chain " + std::to_string(i + 1), Mail(i)});
    out << "</database>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: groups_bench FOLDER\n");
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/groups-100000.dxl";
    if (!std::filesystem::exists(path)) WriteBook(path);

    LNNotesSession session;
    session.Init();
    LNDatabase db;
    session.GetDatabase(path, &db);
    db.Open();

    auto t0 = Clock::now();
    notes::AddressBook book(db);
    const double buildMs = Ms(t0, Clock::now());

    std::printf("address book of %zu people, %zu groups  %.0f ms\n", book.PersonCount(), book.GroupCount(), buildMs);
    double perMember[2] = {0, 0};
    int k = 0;
    for (int size : {5000, 50000}) {
        notes::GroupDocument g{"Group " + std::to_string(size), "", "", {}};
        for (int i = 0; i < size; ++i) g.members.push_back(Member(i));
        t0 = Clock::now();
        notes::ResolvedGroup r = book.Resolve(g);
        const double ms = Ms(t0, Clock::now());
        perMember[k++] = ms / size;
        std::printf("group of %6d members   %8.1f ms  (%zu distinct, %zu notes)\n", size, ms, r.members.size(), r.notes.size());
    }
    notes::GroupDocument chain{"Chain 0", "", "", {"Chain 1"}};
    t0 = Clock::now();
    notes::ResolvedGroup r = book.Resolve(chain);
    std::printf("chain of %d nested groups %6.1f ms  (%zu members)\n", kChain, Ms(t0, Clock::now()), r.members.size());
    std::printf("time per member, 50,000 against 5,000: %.2fx (1x: linear)\n", perMember[1] / perMember[0]);
    return 0;
}
