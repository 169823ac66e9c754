#pragma once

// The style sheet of a built-in look (skin numbers 2 "Win XP", 3 "Deep Blue"
// and 4 "Protein"); nullptr for any other number.
const char* BuiltInSkinSheet(int skinIndex);
