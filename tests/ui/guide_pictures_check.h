// Checks that a module's resources carry the guide's five diagrams and the
// program icon exactly as committed under resources/, and that Windows
// decodes each diagram to the picture the files hold.
#pragma once

#include <windows.h>

#include <string>

namespace tensikon::testing {

// `sourceDir`: the source tree as the Windows program sees it (under Wine,
// a Z: path). Reports through GoogleTest assertions.
void expectGuidePicturesIn(HMODULE module, const std::string& sourceDir);

} // namespace tensikon::testing
