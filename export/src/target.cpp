#include "target.h"

#include "carddav_target.h"
#include "csv_target.h"
#include "item_file_target.h"
#include "profile_target.h"
#include "pst_target.h"
#include "run_context.h"

namespace exporting {

std::unique_ptr<ExportTarget> MakeTarget(RunContext& run) {
    switch (run.options.kind) {
    case OutputKind::Pst: return std::make_unique<PstTarget>(run);
    case OutputKind::Profile: return std::make_unique<ProfileTarget>(run);
    case OutputKind::Csv: return std::make_unique<CsvTarget>(run);
    case OutputKind::CardDav: return std::make_unique<CardDavTarget>(run);
    default: return std::make_unique<ItemFileTarget>(run);
    }
}

}  // namespace exporting
