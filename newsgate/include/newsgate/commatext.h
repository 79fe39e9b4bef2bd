#pragma once
// The comma text of a list of strings: items joined by ",", an item holding a blank (codes 1 to
// 32), a comma or a double quote enclosed in double quotes with inner quotes doubled, an empty item
// as nothing and a list of one empty item as "". Reading skips blanks before an item, takes a
// quoted item up to its closing quote and an unquoted one up to the next blank or comma (so an
// unquoted blank also separates items); a comma right at the end adds one empty item, and a zero
// byte ends the text.
#include <string>
#include <string_view>
#include <vector>

namespace newsgate {

std::string GetCommaText(const std::vector<std::string>& items);
void SetCommaText(std::string_view text, std::vector<std::string>& items);

}  // namespace newsgate
