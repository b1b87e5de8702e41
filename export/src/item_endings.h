// What the log and the counts say of each item of a view once its result is
// known ("Export Items: ", "Already saved: ", the values cut, the
// attachments left out), in the order the items were read: at once from a
// target that answers as it writes, and as the results come from one that
// has several items on their way (WriteResult::Pending).
#pragma once

#include "target.h"

#include <deque>
#include <string>
#include <vector>

namespace exporting {

class RunContext;

struct ItemEnding {
    std::string name;  // as the log names the item
    bool group = false;
    WriteResult result = WriteResult::Pending;
    std::vector<std::string> cutItems, attachmentsLeftOut;
    std::string unreadable;  // why the entry could not be read: it failed
};

class ItemEndings {
public:
    ItemEndings(RunContext& run, ExportTarget& target) : run_(run), target_(target) {}

    // Ends ending after the items still waiting for their results, and
    // those of them whose results have come. False once a stop request
    // ended an item part way (it is neither logged nor counted).
    bool Add(ItemEnding ending);
    // Waits for the results of the items still on their way and ends them;
    // false as for Add.
    bool Drain();

private:
    bool Flush(bool wait);
    void End(const ItemEnding& ending);

    RunContext& run_;
    ExportTarget& target_;
    std::deque<ItemEnding> waiting_;
    bool stopped_ = false;
};

}  // namespace exporting
