#pragma once

// The test application's calls into the library's services, all in one place. Each gets
// the peer from the settings and returns how the service went, its reason in words when
// it failed.

#include <string>
#include <string_view>

#include "app/qfilter/query_filter.hpp"
#include "app/query_operation.hpp"
#include "app/setup/settings.hpp"
#include "dimse/film_settings.hpp"
#include "net/association_parameters.hpp"
#include "net/service_result.hpp"
#include "net/tls_settings.hpp"

namespace norvane {

// The peer of the settings: host, port and titles, with the default time-outs, over TLS
// when `tls` enables it. Every service below takes the TLS settings last (plain TCP when
// not given).
AssociationParameters PeerOfSettings(const Settings& settings, const TlsSettings& tls = {});

// C-ECHO.
ServiceResult EchoService(const Settings& settings, const TlsSettings& tls = {});

// C-STORE of one file, asking for the transfer syntax (empty: the storage SCU's default),
// converting the data set when the peer accepts another one.
ServiceResult StoreService(const Settings& settings, const std::string& fileName,
                           std::string_view transferSyntaxUID, const TlsSettings& tls = {});

// The Study Root C-FIND of the filters, its records written to `out` ("Association
// Failed!" when no association). Success when it ended with status 0x0000.
ServiceResult FindService(const Settings& settings, const QueryFilter& filter, const LineSink& out,
                          const TlsSettings& tls = {});

// The modality worklist C-FIND of the filters, written as FindService writes.
ServiceResult WorklistService(const Settings& settings, const QueryFilter& filter,
                              const LineSink& out, const TlsSettings& tls = {});

// Prints the file, in colour when it is a colour picture.
ServiceResult PrintService(const Settings& settings, const std::string& fileName,
                           const FilmSessioncfg& session, const FilmBoxcfg& box,
                           const TlsSettings& tls = {});

}  // namespace norvane
