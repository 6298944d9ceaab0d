#include "dimse/query_records.hpp"

namespace norvane {

std::optional<QueryLevel> QueryLevelFromText(std::string_view text) {
  if (text == "STUDY") return QueryLevel::kStudy;
  if (text == "SERIES") return QueryLevel::kSeries;
  if (text == "IMAGE") return QueryLevel::kImage;
  return std::nullopt;
}

std::string_view QueryLevelText(QueryLevel level) {
  switch (level) {
    case QueryLevel::kStudy:
      return "STUDY";
    case QueryLevel::kSeries:
      return "SERIES";
    case QueryLevel::kImage:
      return "IMAGE";
  }
  return "STUDY";
}

}  // namespace norvane
