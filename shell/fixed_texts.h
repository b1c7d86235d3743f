// The fixed texts shown as they stand (captions, the current-folder name, the wait text).
#pragma once

#define CATALOGUE(N, Text)
#define FIXED_TEXT(Name, Text) inline constexpr const char Name[] = Text;
#include "encoded_texts.inc" // shell/texts.inc in the build's character set
#undef CATALOGUE
#undef FIXED_TEXT
