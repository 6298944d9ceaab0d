#pragma once

// Sending many DICOM files with C-STORE over as few associations as they need, as storage
// requesters do with a list of files.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/store_result.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

// Called with each file's index and result as soon as it is known, in file order.
using StoreFileReport = std::function<void(size_t index, const StoreResult& result)>;

// Sends the files in order. Each file's presentation contexts are those StoreSCU proposes
// for it alone; runs of consecutive files whose contexts together fit one A-ASSOCIATE-RQ
// (128 contexts) share one association, so a folder of one SOP class goes over one. A file
// goes out on the first accepted of its own contexts (SendStoreRQ), and its result is what
// StoreSCU would give it: an association that cannot be opened fails every file of its run
// with the reason "no association: ..."; a file that cannot be read fails alone. When the
// association of a run ends early (the peer aborted or released), the rest of the run goes
// over a new one.
std::vector<StoreResult> StoreFiles(const AssociationParameters& peer,
                                    const std::vector<std::string>& files,
                                    std::string_view preferredTransferSyntax, bool convert,
                                    const StoreFileReport& report = {});

}  // namespace norvane
