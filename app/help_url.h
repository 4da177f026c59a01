#pragma once

#include <string>

namespace qws {

// The help page in the user's language: "<help endpoint>/websweep-help?lng=1033".
std::u16string HelpPageUrl();
// The trial download page: "<trial endpoint>/downloadtrial?lng=1033".
std::u16string TrialPageUrl();

}  // namespace qws
