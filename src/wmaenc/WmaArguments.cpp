#include "wmaenc/WmaArguments.h"

std::optional<TWmaArguments> ParseWmaArguments(const std::vector<std::string>& args,
                                               std::string& error) {
  TWmaArguments result;
  bool haveInput = false, haveOutput = false, haveSetting = false;
  for (size_t i = 0; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (i + 1 >= args.size()) {
      error = "switch " + name + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[i + 1];
    if (name == "-input") {
      result.Input = value;
      haveInput = true;
    } else if (name == "-output") {
      result.Output = value;
      haveOutput = true;
    } else if (name == "-a_setting") {
      result.Setting = value;
      haveSetting = true;
    } else if (name == "-author") {
      result.Author = value;
    } else if (name == "-description") {
      result.Description = value;
    } else {
      error = "unknown switch " + name;
      return std::nullopt;
    }
  }
  if (!haveInput || result.Input.empty()) {
    error = "no input file given (-input)";
  } else if (!haveOutput || result.Output.empty()) {
    error = "no output file given (-output)";
  } else if (!haveSetting || result.Setting.empty()) {
    error = "no encoder setting given (-a_setting)";
  } else {
    return result;
  }
  return std::nullopt;
}
