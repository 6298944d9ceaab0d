#pragma once

#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The VR and name a dump shows for a record: what LookupName gives, without touching the
// record. Records of implicit VR data take the dictionary's VR when their tag has a row.
struct DumpVR {
  char letters[2] = {0, 0};
  std::string_view name;

  // The letters up to the first zero byte.
  std::string_view Text() const {
    return letters[0] == 0 ? std::string_view()
                           : std::string_view(letters, letters[1] == 0 ? 1 : 2);
  }
  bool Is(const char* vr) const { return letters[0] == vr[0] && letters[1] == vr[1]; }
};

DumpVR DumpVRFor(const TagRecord& record, bool explicitVR);

}  // namespace norvane
