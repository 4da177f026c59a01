#include "app/help_url.h"

#include "base/endpoints.h"

namespace qws {

std::u16string HelpPageUrl() { return EndpointUrl(kHelpEndpoint, u"/websweep-help?lng=1033"); }

std::u16string TrialPageUrl() { return EndpointUrl(kTrialEndpoint, u"/downloadtrial?lng=1033"); }

}  // namespace qws
