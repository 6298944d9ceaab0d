#pragma once

// norvane scp's --dest AET=HOST:PORT (repeatable) and --dest-file FILE.

#include <string>

#include "cli/options.hpp"
#include "scp/store_scp_settings.hpp"

namespace norvane::cli {

inline constexpr const char* kMoveDestinationHelp =
    "  --dest AET=HOST:PORT[:tls]\n"
    "                     a C-MOVE destination (repeatable): objects moved to AET go to\n"
    "                     HOST:PORT, over TLS with :tls (the --tls options); a C-MOVE to\n"
    "                     any other AE title is refused with status 0xA801 (move\n"
    "                     destination unknown)\n"
    "  --dest-file FILE   more destinations, one AET=HOST:PORT[:tls] per line ('#' starts\n"
    "                     a comment line)\n";

// Takes the destinations of --dest and --dest-file into the settings. False, with
// `problem` saying why, when one does not parse or the file cannot be read.
bool ApplyMoveDestinations(const ParsedArgs& args, StoreSCPSettings& settings,
                           std::string& problem);

}  // namespace norvane::cli
