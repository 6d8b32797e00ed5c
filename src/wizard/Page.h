#pragma once
// The eight pages of the wizard's notebook, in the form's order, and their names as the form
// names them: the names are what the tests and the end-to-end driver speak of.
#include <array>
#include <optional>
#include <string_view>

namespace setup {

enum class Page { Language, Welcome, Licence, ProgramDestination, Icon, Summary, Action, Finish };

inline constexpr std::array<const char*, 8> kPageNames = {
    "LanguagePage", "WelcomePage", "LicencePage", "ProgramDestination",
    "IconPage",     "SummaryPage", "ActionPage",  "FinishPage"};

// The notebook's index of the page: 0 for the language page ... 7 for the finish page.
constexpr int PageIndex(Page page) {
  return static_cast<int>(page);
}

constexpr const char* PageName(Page page) {
  return kPageNames[PageIndex(page)];
}

// The page of a name; nothing for any other text.
constexpr std::optional<Page> PageNamed(std::string_view name) {
  for (std::size_t i = 0; i < kPageNames.size(); ++i) {
    if (name == kPageNames[i]) return static_cast<Page>(i);
  }
  return std::nullopt;
}

}  // namespace setup
