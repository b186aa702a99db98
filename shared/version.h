// The one version of both programs, read by their resource scripts (file and product version).
// The numbers and the text say the same version: change them together.
#pragma once

#define PW_VERSION_NUMBERS 1, 0, 0, 0
#define PW_VERSION_TEXT "1.00"
