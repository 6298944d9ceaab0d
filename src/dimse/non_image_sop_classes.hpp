#pragma once

#include <string_view>

namespace norvane {

// True for the storage SOP classes whose objects carry no image pixel data (structured
// reports, waveforms, presentation states, RT objects other than images, ...). The
// storage SCU never proposes the caller's preferred transfer syntax for them, as that is
// usually a compressed one. Exact, case-sensitive comparison.
bool IsNonImageSOPClass(std::string_view sopClass);

}  // namespace norvane
