#include <notesapi/notesapi.h>

#include "formula.h"
#include "index.h"

LNSTATUS LNDatabase::Search(const LNFormula& formula, LNDocumentArray* documents, const void*) const {
    if (!index_) return notesapi::Report(LNERR_NOT_OPEN);
    if (!documents) return notesapi::Report(LNERR_NULL_ARGUMENT);
    std::unique_ptr<notesapi::Formula> f;
    LNSTATUS st = notesapi::Formula::Parse(formula.GetText(), &f);
    if (st != LNNOERROR) return notesapi::Report(st);
    documents->Items().clear();
    for (size_t d = 0; d < index_->docs.size(); ++d) {
        LNSTATUS failure = LNNOERROR;
        auto lookup = [&](const std::string& name) { return index_->ItemValues(d, name, &failure); };
        bool matches = false;
        st = f->Evaluate(lookup, &matches);
        if (st == LNNOERROR) st = failure;
        if (st != LNNOERROR) {
            documents->Items().clear();
            return notesapi::Report(st);
        }
        if (matches) documents->Items().emplace_back(index_, d, session_);
    }
    return LNNOERROR;
}
