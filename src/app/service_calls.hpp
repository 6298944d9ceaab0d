#pragma once

// The test application's calls into the library's services, all in one place. Each gets
// the peer from the settings and tells only whether the service succeeded.

#include <string>
#include <string_view>

#include "app/qfilter/query_filter.hpp"
#include "app/query_operation.hpp"
#include "app/setup/settings.hpp"
#include "dimse/film_settings.hpp"

namespace norvane {

// C-ECHO.
bool EchoService(const Settings& settings);

// C-STORE of one file, asking for the transfer syntax (empty: the storage SCU's default),
// converting the data set when the peer accepts another one.
bool StoreService(const Settings& settings, const std::string& fileName,
                  std::string_view transferSyntaxUID);

// The Study Root C-FIND of the filters, its records written to `out` ("Association
// Failed!" when no association). True when it ended with status 0x0000.
bool FindService(const Settings& settings, const QueryFilter& filter, const LineSink& out);

// The modality worklist C-FIND of the filters, written as FindService writes.
bool WorklistService(const Settings& settings, const QueryFilter& filter, const LineSink& out);

// Prints the file, in colour when it is a colour picture.
bool PrintService(const Settings& settings, const std::string& fileName,
                  const FilmSessioncfg& session, const FilmBoxcfg& box);

}  // namespace norvane
