// Whether starting again as administrator is needed (and the Accept button shows the shield).
#pragma once

namespace qws {

// True on systems with user account control (major version above 5) for a user who is not an
// administrator.
bool ElevationNeeded();

}  // namespace qws
