#include "app/tsselect/store_syntax.hpp"

namespace norvane {

std::string_view StoreSyntaxUID(int StoreSyntaxChoice) {
  if (StoreSyntaxChoice < 0 ||
      static_cast<size_t>(StoreSyntaxChoice) >= kStoreSyntaxEntries.size()) {
    return {};
  }
  return kStoreSyntaxEntries[static_cast<size_t>(StoreSyntaxChoice)].uid;
}

}  // namespace norvane
