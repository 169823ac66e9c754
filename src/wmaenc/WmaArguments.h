#pragma once

#include <optional>
#include <string>
#include <vector>

// The switches of trackwell-wmaenc:
//   -input "src.wav" -output "dst.wma" -a_setting 64_44_2
//   [-author text] [-description text]
// Every switch takes the next argument as its value, whatever it looks like,
// so a value beginning with "-" is never read as a switch.
struct TWmaArguments {
  std::string Input;
  std::string Output;
  std::string Setting;
  std::optional<std::string> Author;
  std::optional<std::string> Description;
};

// Parses the arguments after the program name. On failure returns nothing
// and sets error to a sentence saying what is wrong.
std::optional<TWmaArguments> ParseWmaArguments(const std::vector<std::string>& args,
                                               std::string& error);
