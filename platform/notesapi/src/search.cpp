#include <notesapi/notesapi.h>

#include "formula.h"
#include "index.h"

using notesapi::Failure;
using notesapi::NotesError;

void LNDatabase::Search(const LNFormula& formula, LNDocumentArray* documents, const void*) const {
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    if (!documents) throw NotesError(LNERR_NULL_ARGUMENT);
    std::unique_ptr<notesapi::Formula> f;
    if (Failure failure = notesapi::Formula::Parse(formula.GetText(), &f)) throw *failure;
    documents->Items().clear();
    for (size_t d = 0; d < index_->docs.size(); ++d) {
        Failure readFailure;
        auto lookup = [&](const std::string& name) { return index_->ItemValues(d, name, &readFailure); };
        bool matches = false;
        Failure failure = f->Evaluate(lookup, &matches);
        if (!failure) failure = std::move(readFailure);
        if (failure) {
            documents->Items().clear();
            throw *failure;
        }
        if (matches) documents->Items().emplace_back(index_, d, session_);
    }
}
