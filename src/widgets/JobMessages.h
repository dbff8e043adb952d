#pragma once

#include "platform/Platform.h"

namespace folvane {

// Tells, in one message, where the PDF printer put PDFs it would not write
// under their given name because a file of that name was there.
void TellDiversions(platform::Platform& platform);

}  // namespace folvane
