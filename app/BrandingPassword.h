#pragma once

#include <string>

// The password of the branding archive. The build tool that makes info.dat and the loader
// both take it from here, so the two cannot drift apart.
std::string BrandingPassword();
